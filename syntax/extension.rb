syntax_ruby.syn
