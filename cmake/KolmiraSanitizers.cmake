# Sanitizers apply to the whole tree, so that shared libraries and the
# executables that load them agree on the runtime.
if(KOLMIRA_SANITIZE)
  set(_kolmira_sanitize_flags
      -fsanitize=address,undefined
      -fno-sanitize-recover=undefined
      -fno-omit-frame-pointer)
  add_compile_options(${_kolmira_sanitize_flags})
  add_link_options(${_kolmira_sanitize_flags})
endif()

# Libraries that a fuzzer links get its coverage instrumentation.
if(KOLMIRA_BUILD_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
