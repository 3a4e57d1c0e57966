syntax_python.syn
