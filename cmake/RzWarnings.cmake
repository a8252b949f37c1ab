# SPDX-License-Identifier: GPL-3.0-or-later
# Warnings apply to our own targets only (third-party headers come in as SYSTEM).
function(rz_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wnon-virtual-dtor)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wshadow=local)
  endif()
  if(RZ_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
