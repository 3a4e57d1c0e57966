syntax_go.syn
