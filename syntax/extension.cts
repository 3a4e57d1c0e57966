syntax_ts.syn
