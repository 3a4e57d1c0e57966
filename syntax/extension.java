syntax_java.syn
