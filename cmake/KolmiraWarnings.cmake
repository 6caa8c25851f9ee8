# Every target of the project is built with the same warning set.
add_compile_options(-Wall -Wextra -Wpedantic)
if(KOLMIRA_WERROR)
  add_compile_options(-Werror)
endif()
