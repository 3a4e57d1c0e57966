syntax_lua.syn
