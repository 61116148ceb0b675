# The Debian package, made by `cpack -G DEB` from an install tree (see script/package).
set(CPACK_PACKAGE_NAME purgix)
set(CPACK_PACKAGE_VENDOR "The Purgix developers")
set(CPACK_PACKAGE_CONTACT "The Purgix developers <purgix@users.noreply.github.com>")
set(CPACK_PACKAGE_HOMEPAGE_URL https://github.com/purgix/purgix)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "remove the lines that contain given strings from a text file")
# The extended description only: CPack puts the summary before it itself.
set(CPACK_PACKAGE_DESCRIPTION
    "Purgix is a small desktop utility with one window. Name one text file and
up to ten target strings, press Purgix, and every line that contains any of
the targets is removed from the file, in place; a message tells how many
lines went. The file is replaced in one step and always holds either the old
content or the new one.
.
The purgix-cli command runs the same removal from a shell.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps sees the linked libraries only: the window's font and Qt's platform
# plugins, which show the window on X11 and Wayland, are loaded at run time.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
