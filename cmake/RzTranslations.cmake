# SPDX-License-Identifier: GPL-3.0-or-later
# lupdate reads C++ and .ui files, not the JSON strings table, so the table's texts are handed to it
# as a C++ file of QT_TRANSLATE_NOOP3 markers: the English text is the source a translator sees and
# the key tells equal texts apart. The file is only read by lupdate, never compiled. It is rewritten
# at configure time whenever the table changes, and only when its content changes.
#
# rz_strings_table_markers(<json> <output>)
function(rz_strings_table_markers json output)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${json})
  file(READ ${json} table)
  string(JSON count LENGTH "${table}")
  set(lines "")
  if(count GREATER 0)
    math(EXPR last "${count} - 1")
    foreach(i RANGE ${last})
      string(JSON key MEMBER "${table}" ${i})
      string(JSON text GET "${table}" "${key}")
      # An empty text (a column without a heading) has nothing to translate.
      if(text STREQUAL "")
        continue()
      endif()
      foreach(name key text)
        string(REPLACE "\\" "\\\\" ${name} "${${name}}")
        string(REPLACE "\"" "\\\"" ${name} "${${name}}")
        string(REPLACE "\n" "\\n" ${name} "${${name}}")
      endforeach()
      string(APPEND lines "    QT_TRANSLATE_NOOP3(\"StringsTable\", \"${text}\", \"${key}\"),\n")
    endforeach()
  endif()
  file(CONFIGURE OUTPUT ${output} @ONLY CONTENT
"// Generated from ${json} for lupdate; not compiled.
static const char* const kStringsTable[][2] = {
@lines@};
")
endfunction()

# What lupdate reads and writes, for the build (resources/) and the completeness check (tests/ui/):
# RZ_TS_FILES, one file per language; RZ_TRANSLATION_SOURCES, the window layouts and the strings
# table's markers; RZ_LUPDATE_OPTIONS.
macro(rz_translation_inputs)
  set(RZ_STRINGS_MARKERS ${PROJECT_BINARY_DIR}/resources/strings_table_markers.cpp)
  rz_strings_table_markers(${PROJECT_SOURCE_DIR}/resources/strings/en.json ${RZ_STRINGS_MARKERS})
  file(GLOB RZ_TS_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/translations/redozevuviva_*.ts)
  file(GLOB RZ_UI_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/ui/*.ui)
  set(RZ_TRANSLATION_SOURCES ${RZ_UI_FILES} ${RZ_STRINGS_MARKERS})
  # Without source locations or texts no longer used, the files change only when a text does, which
  # keeps merges small.
  set(RZ_LUPDATE_OPTIONS -locations none -no-ui-lines -no-obsolete)
endmacro()
