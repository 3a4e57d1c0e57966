syntax_cpp.syn
