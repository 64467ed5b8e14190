# CPack reads this once per generator: the Windows packages' file names and the zip's layout.
if(CPACK_GENERATOR STREQUAL "ZIP")
    set(CPACK_PACKAGE_FILE_NAME "Kestrelspooler-${CPACK_PACKAGE_VERSION}-win64")
    # Windows' own "Extract all" already makes a folder named after the zip.
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
elseif(CPACK_GENERATOR STREQUAL "NSIS")
    set(CPACK_PACKAGE_FILE_NAME "Kestrelspooler-${CPACK_PACKAGE_VERSION}-setup")
endif()
