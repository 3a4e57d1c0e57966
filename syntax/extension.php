syntax_php.syn
