syntax_js.syn
