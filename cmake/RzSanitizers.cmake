# SPDX-License-Identifier: GPL-3.0-or-later
if(RZ_SANITIZE)
  string(REPLACE "," ";" _rz_san_list "${RZ_SANITIZE}")
  set(_rz_san_flags "-fsanitize=${RZ_SANITIZE}" -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_compile_options(${_rz_san_flags})
  add_link_options("-fsanitize=${RZ_SANITIZE}")
endif()
