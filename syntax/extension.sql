syntax_sql.syn
