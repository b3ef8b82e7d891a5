# `cpack -G DEB` in a Release build folder makes a Debian package of what `cmake --install`
# installs; scripts/package.sh does it all and checks the result with lintian.
set(CPACK_PACKAGE_NAME trelvo)
set(CPACK_PACKAGE_VENDOR "Korvane Limited")
set(CPACK_PACKAGE_CONTACT "Korvane Limited <trelvo@korvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer and editor for XML documents")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Trelvo)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
# The libraries the program links (Qt, libxml2, libxslt and theirs) become the package's
# dependencies through dpkg-shlibdeps, so they follow whatever the build machine has.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugins at run time, so dpkg-shlibdeps cannot see them; without xcb
# (or wayland) the program cannot open a window.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The control files with the permissions Debian expects (0644), not the build folder's umask.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION
    "Trelvo shows an XML document as a tree of its elements, texts, comments,
CDATA sections and processing instructions, with panes for the selected
node's attributes, its XML source and its value decoded from base64 as a
picture. Nodes are inserted, edited, deleted, moved and copied from the
tree, with undo and redo; the document can be searched, transformed with
XSLT and validated against an XML Schema.")
include(CPack)
