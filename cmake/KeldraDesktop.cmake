# The application as a desktop installs it: the desktop entry, the AppStream metadata, the icon (drawn by
# keldra-gallery at build time) and the programs. Only these are installed; tests, benchmarks, the gallery
# and keldra-localportal stay in the build folder.
include(GNUInstallDirs)

set(KELDRA_APP_ID org.orlivane.keldra)
set(KELDRA_DESKTOP_DIR ${CMAKE_SOURCE_DIR}/desktop/metadata)

# The release in the metadata is the project's version, dated by the last commit (the day of the build
# outside a git checkout).
set(KELDRA_RELEASE_DATE "" CACHE STRING "Release date in the AppStream metadata, YYYY-MM-DD (empty: last commit)")
if(NOT KELDRA_RELEASE_DATE)
    execute_process(COMMAND git -C ${CMAKE_SOURCE_DIR} log -1 --format=%cs
                    OUTPUT_VARIABLE keldra_commit_date OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE keldra_git_result ERROR_QUIET)
    if(keldra_git_result EQUAL 0 AND keldra_commit_date MATCHES "^[0-9]+-[0-9]+-[0-9]+$")
        set(KELDRA_RELEASE_DATE ${keldra_commit_date})
    else()
        string(TIMESTAMP KELDRA_RELEASE_DATE "%Y-%m-%d" UTC)
    endif()
endif()
set(KELDRA_METAINFO ${CMAKE_BINARY_DIR}/desktop/${KELDRA_APP_ID}.metainfo.xml)
configure_file(${KELDRA_DESKTOP_DIR}/${KELDRA_APP_ID}.metainfo.xml.in ${KELDRA_METAINFO} @ONLY)

# The icon, laid out as the hicolor theme's folders.
set(KELDRA_ICON_DIR ${CMAKE_BINARY_DIR}/desktop/icons)
set(keldra_icon_files ${KELDRA_ICON_DIR}/scalable/apps/${KELDRA_APP_ID}.svg)
foreach(size 16 22 24 32 48 64 128 256 512)
    list(APPEND keldra_icon_files ${KELDRA_ICON_DIR}/${size}x${size}/apps/${KELDRA_APP_ID}.png)
endforeach()
if(TARGET keldra-gallery)
    # Leak reports of a sanitized build-time helper would fail the build; its drawing is what matters here.
    add_custom_command(OUTPUT ${keldra_icon_files}
                       COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
                               $<TARGET_FILE:keldra-gallery> --app-icon ${KELDRA_ICON_DIR}
                       DEPENDS keldra-gallery
                       COMMENT "Drawing the application icon")
    add_custom_target(keldra_app_icon ALL DEPENDS ${keldra_icon_files})
endif()

# The programs: `keldra` once the application's entry point exists, and the standalone drive restore tool.
if(TARGET keldra)
    install(TARGETS keldra RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(PROGRAMS ${CMAKE_SOURCE_DIR}/tools/keldra-drive-restore DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KELDRA_DESKTOP_DIR}/${KELDRA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KELDRA_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
if(TARGET keldra_app_icon)
    install(DIRECTORY ${KELDRA_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
endif()
