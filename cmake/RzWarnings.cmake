# Warnings apply to our own targets only (third-party headers come in as SYSTEM).
function(rz_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow=local -Wnon-virtual-dtor)
  if(RZ_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
