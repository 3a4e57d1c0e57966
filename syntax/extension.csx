syntax_cs.syn
