syntax_xml.syn
