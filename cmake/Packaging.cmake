# Install layout and the Debian package.
#
# The desktop program looks for help.htm in the folder of its own program file
# (with links followed), so the two live together in a folder of their own and
# the PATH gets a relative link to the program:
#
#   <prefix>/lib/solvara/solvara           the program
#   <prefix>/lib/solvara/help.htm          its help page
#   <prefix>/bin/solvara                   -> ../lib/solvara/solvara
#   <prefix>/bin/solvara-report            the command-line front end
#   <prefix>/share/applications/example.solvara.Solvara.desktop
#   <prefix>/share/metainfo/example.solvara.Solvara.metainfo.xml
#   <prefix>/share/icons/hicolor/{scalable,NxN}/apps/example.solvara.Solvara.{svg,png}
#   <prefix>/share/man/man1/solvara.1.gz, solvara-report.1.gz
#   <prefix>/share/doc/solvara/copyright, changelog.gz

include(GNUInstallDirs)

set(SOLVARA_APP_ID "example.solvara.Solvara")
set(SOLVARA_INSTALL_PROGRAMDIR "lib/solvara" CACHE STRING
    "Folder, relative to the prefix, that holds the desktop program and its help page")
set(SOLVARA_ICON_SIZES 16 22 24 32 48 64 128 256)

set(_res ${CMAKE_SOURCE_DIR}/resources)
set(_packaging ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${_packaging})
set(CPACK_PACKAGE_CONTACT "Solvara <${SOLVARA_SUPPORT_EMAIL}>")

# Manual pages and the changelog, compressed as Debian keeps them: gzip -9 without a
# name or a time stamp, so that the same text gives the same bytes.
function(solvara_gzip source target)
  add_custom_command(OUTPUT ${target}
                     COMMAND ${CMAKE_COMMAND} -E copy ${source} ${target}.tmp
                     COMMAND gzip -9nf ${target}.tmp
                     COMMAND ${CMAKE_COMMAND} -E rename ${target}.tmp.gz ${target}
                     DEPENDS ${source} VERBATIM)
endfunction()

# The changelog's newest entry names the version being built.
file(STRINGS ${_res}/debian/changelog _newest LIMIT_COUNT 1)
if(NOT _newest MATCHES "^solvara \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "resources/debian/changelog has no entry for ${PROJECT_VERSION} at its top")
endif()
solvara_gzip(${_res}/debian/changelog ${_packaging}/changelog.gz)
configure_file(${_res}/debian/copyright.in ${_packaging}/copyright @ONLY)
set(_manuals ${_packaging}/changelog.gz)

if(TARGET solvara-report)
  install(TARGETS solvara-report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # Its manual page is its --help, read by help2man.
  find_program(HELP2MAN_EXECUTABLE help2man)
  if(HELP2MAN_EXECUTABLE)
    add_custom_command(
      OUTPUT ${_packaging}/solvara-report.1
      COMMAND ${HELP2MAN_EXECUTABLE} --no-info --section=1
              "--name=write the credit report for answers given on the command line"
              --output=${_packaging}/solvara-report.1 $<TARGET_FILE:solvara-report>
      DEPENDS solvara-report VERBATIM)
    solvara_gzip(${_packaging}/solvara-report.1 ${_packaging}/solvara-report.1.gz)
    list(APPEND _manuals ${_packaging}/solvara-report.1.gz)
    install(FILES ${_packaging}/solvara-report.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  else()
    message(WARNING "help2man is missing: no manual page for solvara-report (scripts/deps.sh)")
  endif()
endif()

if(SOLVARA_GUI)
  install(TARGETS solvara RUNTIME DESTINATION ${SOLVARA_INSTALL_PROGRAMDIR})

  install(FILES ${CMAKE_SOURCE_DIR}/resources/help.htm DESTINATION ${SOLVARA_INSTALL_PROGRAMDIR})

  # A relative link, made once in the build tree and installed as a link, keeps
  # the installed tree relocatable and works the same under DESTDIR and CPack.
  cmake_path(RELATIVE_PATH SOLVARA_INSTALL_PROGRAMDIR BASE_DIRECTORY ${CMAKE_INSTALL_BINDIR}
             OUTPUT_VARIABLE _to_programdir)
  set(_link_dir ${_packaging})
  file(REMOVE ${_link_dir}/solvara)
  file(CREATE_LINK ${_to_programdir}/solvara ${_link_dir}/solvara SYMBOLIC)
  install(FILES ${_link_dir}/solvara DESTINATION ${CMAKE_INSTALL_BINDIR})

  configure_file(${_res}/debian/solvara.1.in ${_packaging}/solvara.1 @ONLY)
  solvara_gzip(${_packaging}/solvara.1 ${_packaging}/solvara.1.gz)
  list(APPEND _manuals ${_packaging}/solvara.1.gz)
  install(FILES ${_packaging}/solvara.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  install(FILES ${_res}/${SOLVARA_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

  configure_file(${_res}/${SOLVARA_APP_ID}.metainfo.xml.in
                 ${_link_dir}/${SOLVARA_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${_link_dir}/${SOLVARA_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  set(_icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
  install(FILES ${_res}/icons/${SOLVARA_APP_ID}.svg DESTINATION ${_icons}/scalable/apps)
  foreach(_size ${SOLVARA_ICON_SIZES})
    install(FILES ${_res}/icons/${SOLVARA_APP_ID}-${_size}.png
            DESTINATION ${_icons}/${_size}x${_size}/apps
            RENAME ${SOLVARA_APP_ID}.png)
  endforeach()
endif()

add_custom_target(manuals ALL DEPENDS ${_manuals})
install(FILES ${_packaging}/copyright ${_packaging}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/solvara)

# The Debian package: `cpack -G DEB` in the build folder.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "solvara")
set(CPACK_PACKAGE_VENDOR "Solvara")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "estimate a person's credit standing from a questionnaire")
set(CPACK_PACKAGE_DESCRIPTION
    "Solvara asks a fixed set of questions, scores the answers on a points\n"
    "scorecard and writes a short report: accepted or declined, a rating, a\n"
    "credit-card limit and the answers that helped or hurt. The report can be\n"
    "printed or saved as HTML. The answers never leave the machine.\n"
    "\n"
    "The package also holds solvara-report, which writes the same report for\n"
    "answers given on the command line.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "misc")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${SOLVARA_HOME_PAGE})
# The shared libraries come from dpkg-shlibdeps. Beyond them, Qt needs its platform
# plugins (loaded at run time, so no library link reveals them) and at least one
# font to draw any text at all.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(SOLVARA_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core")
  # The news page is fetched over https, and web links open through xdg-open.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ca-certificates, xdg-utils")
endif()
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
