# The Debian package (make package): the installed program with its desktop entry, icon,
# metainfo and manual pages, depending on the shared libraries it links.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME torvask)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Torvask developers")
set(TORVASK_PACKAGE_CONTACT "The Torvask developers <developers@torvask.org>" CACHE STRING
    "The package's maintainer: a name and a mail address")
set(CPACK_PACKAGE_CONTACT "${TORVASK_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "driving simulator where you teach a neural-network driver")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
# Not "games": that section is for programs installed in /usr/games.
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Software OpenGL and the X11 platform plugin are loaded at run time, not linked.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libgl1-mesa-dri, fonts-liberation")
# The long description; CPack indents it and marks the empty line between paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Torvask is a car-driving simulator in which you teach a small
backpropagation network to drive by example. Drive a car round a race track
from the keyboard while Torvask records what the car senses and what you do,
train the network in the background while a chart shows its progress, then
watch the learned driver go round the track, and take the wheel to correct it
where it goes wrong.

The package holds the program with its bundled tracks, a sample driver and the
car and desert art, and torvask-lab, a command-line companion that records,
trains, teaches and evaluates drivers without a window.")

# The copyright file and changelog Debian policy asks every package to carry.
set(TORVASK_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/torvask)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/package/changelog.Debian.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/package
  COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/data/package/changelog > ${CMAKE_BINARY_DIR}/package/changelog.Debian.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/data/package/changelog
  COMMENT "Compressing the package changelog")
add_custom_target(torvask-package-docs ALL DEPENDS ${CMAKE_BINARY_DIR}/package/changelog.Debian.gz)
install(FILES ${PROJECT_SOURCE_DIR}/data/package/copyright DESTINATION ${TORVASK_DOC_DIR})
install(FILES ${CMAKE_BINARY_DIR}/package/changelog.Debian.gz DESTINATION ${TORVASK_DOC_DIR})

include(CPack)
