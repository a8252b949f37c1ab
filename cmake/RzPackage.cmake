# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package of the desktop application, made by CPack from the release build
# (scripts/package). It holds what the install rules name: the program, its sign-in module (in the
# program's private library folder), its desktop entry, icons, metainfo, manual page, copyright and
# change log. The Graph emulator and the tests have no install rules, so they stay out.

# The packaged program and its sign-in module get the hardening Debian builds with when optimised:
# checked libc calls and relocations made read-only before they run. Only their own code; test code
# is not shipped.
if(CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$" AND NOT RZ_SANITIZE)
  foreach(target rz_core rz_resources rz_ui rz_app rz_sign_in redozevuviva redozevuviva-sign-in)
    target_compile_options(${target} PRIVATE -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2)
  endforeach()
  foreach(target redozevuviva redozevuviva-sign-in)
    target_link_options(${target} PRIVATE LINKER:-z,relro LINKER:-z,now)
  endforeach()
endif()

# The program finds its sign-in module by a path relative to its own folder, computed from the
# install folders (src/app); the package lays the files out by the same relative folders under
# CPACK_PACKAGING_INSTALL_PREFIX. Absolute folders would break that agreement.
foreach(dir CMAKE_INSTALL_BINDIR CMAKE_INSTALL_LIBDIR)
  if(IS_ABSOLUTE "${${dir}}")
    message(FATAL_ERROR "${dir} (${${dir}}) must be relative: the program finds its sign-in module relative to itself")
  endif()
endforeach()

# Installing builds only what the install rules need, not the tests and benchmarks of the tree.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME redozevuviva)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Tidewell)
set(CPACK_PACKAGE_CONTACT "Tidewell <support@tidewell.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reminders from the page titles and tags of OneNote notebooks")
# The release preset configures with the same prefix, so the library folder is the multiarch one
# Debian uses under /usr (GNUInstallDirs picks it only for that prefix).
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
if(NOT CMAKE_INSTALL_PREFIX STREQUAL CPACK_PACKAGING_INSTALL_PREFIX)
  message(STATUS "Installing under ${CMAKE_INSTALL_PREFIX}; the Debian package (release preset) uses /usr")
endif()
set(CPACK_STRIP_FILES ON)

# redozevuviva_<version>_<arch>.deb
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://tidewell.example/redozevuviva)
# The extended description below the summary; CPack indents it and marks the empty line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "A tray agent for people who keep their notes in OneNote online. It signs in
to the user's Microsoft account, mirrors the notebooks from Microsoft Graph
into a local store, turns page titles and tagged paragraphs that carry a date
and time into reminders, and raises a window with a sound when one comes due.

On a desktop without a system tray the main window, with a menu bar, takes
the tray icon's place.")
# Depends come from the libraries the program and its sign-in module link (dpkg-shlibdeps over every
# ELF file of the package), never from a list kept here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Qt plugins that draw every icon (SVG) and put the windows on a Wayland session are loaded at
# run time, not linked, so shlibdeps cannot see them; the packages that ship them are looked up from
# the plugin files.
set(rz_plugin_packages)
foreach(plugin iconengines/libqsvgicon.so imageformats/libqsvg.so platforms/libqwayland-generic.so)
  execute_process(COMMAND dpkg-query --search ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}/${plugin}
                  OUTPUT_VARIABLE rz_owner RESULT_VARIABLE rz_found ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(rz_found EQUAL 0)
    # "libqt6svg6:amd64: /usr/lib/..." names the package.
    string(REGEX REPLACE ":.*" "" rz_owner "${rz_owner}")
    list(APPEND rz_plugin_packages ${rz_owner})
  else()
    message(WARNING "No package ships the Qt plugin ${plugin}; the package will not depend on it")
  endif()
endforeach()
list(REMOVE_DUPLICATES rz_plugin_packages)
list(JOIN rz_plugin_packages ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
# QtKeychain reaches the Secret Service through libsecret, which it loads at run time; without it
# only KWallet answers and the tokens stay in the settings file elsewhere.
# The sound theme gives the alarm sound the Preferences offer beside a file.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libsecret-1-0, sound-theme-freedesktop")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)

# What the package holds, for scripts/package to build before it runs CPack.
add_custom_target(rz_package_contents DEPENDS redozevuviva redozevuviva-sign-in rz_man rz_icons rz_doc)
