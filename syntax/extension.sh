syntax_shell.syn
