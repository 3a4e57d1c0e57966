syntax_rust.syn
