syntax_pascal.syn
