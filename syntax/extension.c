syntax_c.syn
