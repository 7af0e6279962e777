# `make package`: a Debian package of everything `cmake --install` lays out
# (programs, languages, desktop entry, icons, manual page, completion,
# metainfo), installed under /usr. Its run-time dependencies are found by
# dpkg-shlibdeps from the shared libraries the programs link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvane)
set(CPACK_PACKAGE_VENDOR "Orvane developers")
set(CPACK_PACKAGE_CONTACT "Orvane developers <support@orvane.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "audit and rename PlayStation, PS2 and PSP disc images")
set(CPACK_PACKAGE_DESCRIPTION
    "Orvane opens every disc image of a folder (ISO, raw BIN, cue sheets, CloneCD, \
DiscJuggler and Nero images, images in zip, rar, 7z, lzh or cab archives), reads the \
game code from the disc's boot files, looks it up in a game database and renames the \
image's files after a formula, keeping have and miss lists, an error log and a rename \
batch. It comes as a window (orvane) and as a terminal program (orvane-cli), which also \
builds game databases from DAT files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${ORVANE_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The second archive extractors and the font that shows Japanese names; the
# programs run without them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "unar, 7zip, fonts-ipafont-gothic")
include(CPack)
