# `make package`: two Debian packages of what `cmake --install` lays out,
# installed under /usr:
#   orvane-cli  the terminal program, the languages, its manual page and
#               completion; no Qt, so a headless box or a NAS gets no GUI stack
#   orvane      the window, its desktop entry, icons, manual page and
#               AppStream metainfo; depends on orvane-cli of the same version
# Each declares the libraries its programs link (dpkg-shlibdeps) and carries
# the copyright and changelog Debian asks for.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli)
if(TARGET orvane)
    list(APPEND CPACK_COMPONENTS_ALL window)
endif()
set(CPACK_PACKAGE_NAME orvane)
set(CPACK_PACKAGE_VENDOR "Orvane developers")
set(CPACK_PACKAGE_CONTACT "Orvane developers <support@orvane.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${ORVANE_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Directories as Debian packages have them, whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# What both descriptions say, after a first line of their own. Lines stay
# within the 80 columns a package description may use.
set(ORVANE_ABOUT
    "Orvane opens every disc image of a folder (ISO, raw BIN, cue sheets,\n"
    "CloneCD, DiscJuggler, Nero, CHD, CSO and ZSO images, images in zip, rar,\n"
    "7z, lzh or cab archives), reads the game code from the disc's boot files,\n"
    "looks it up in a game database and renames the image's files after a\n"
    "formula, keeping have and miss lists, an error log and a rename batch.")
string(CONCAT ORVANE_ABOUT ${ORVANE_ABOUT})

set(CPACK_DEBIAN_CLI_PACKAGE_NAME orvane-cli)
set(CPACK_COMPONENT_CLI_DESCRIPTION
    "audit and rename PlayStation, PS2 and PSP disc images (terminal)\n${ORVANE_ABOUT}\n.\nThis package holds orvane-cli, the terminal program, which also builds game\ndatabases from DAT files and takes rename runs back. It needs no display.")
# The second archive extractors; orvane-cli runs without them.
set(CPACK_DEBIAN_CLI_PACKAGE_RECOMMENDS "unar, 7zip")

set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME orvane)
set(CPACK_DEBIAN_WINDOW_PACKAGE_DEPENDS "orvane-cli (= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_WINDOW_DESCRIPTION
    "audit and rename PlayStation, PS2 and PSP disc images\n${ORVANE_ABOUT}\n.\nThis package holds orvane, the window.")
# The font that shows Japanese names.
set(CPACK_DEBIAN_WINDOW_PACKAGE_RECOMMENDS "fonts-ipafont-gothic")
include(CPack)
