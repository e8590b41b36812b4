# keldra_library(<target> [DEPS <targets...>])
# One library per subsystem folder: every .cpp below the folder (sub-folders included, `main` files excluded)
# joins it. Includes are written from the repository root ("core/crypto/KeldraKey.h").
function(keldra_library target)
    cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    foreach(pattern ${ARG_EXCLUDE})
        list(FILTER sources EXCLUDE REGEX "${pattern}")
    endforeach()
    if(sources)
        add_library(${target} STATIC ${sources})
        target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
        target_link_libraries(${target} PUBLIC ${ARG_DEPS})
    else()
        # A subsystem with no code yet still names its dependencies for those who link it.
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
        target_link_libraries(${target} INTERFACE ${ARG_DEPS})
    endif()
endfunction()

# keldra_test_dir(<dir> LABEL <label> DEPS <targets...>)
# Every .cpp in <dir> becomes one GoogleTest executable named after the folder; its tests carry <label>.
function(keldra_test_dir dir)
    cmake_parse_arguments(ARG "" "LABEL" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
    if(NOT sources)
        return()
    endif()
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR}/tests ${dir})
    string(REPLACE "/" "_" name "${rel}")
    set(target test_${name})
    add_executable(${target} ${sources})
    target_link_libraries(${target} PRIVATE keldra_test_support ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_compile_definitions(${target} PRIVATE
        KELDRA_SOURCE_DIR="${CMAKE_SOURCE_DIR}" KELDRA_BINARY_DIR="${CMAKE_BINARY_DIR}")
    gtest_discover_tests(${target}
        DISCOVERY_TIMEOUT 60
        PROPERTIES LABELS ${ARG_LABEL} TIMEOUT 300
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()

# keldra_fuzz_target(<subsystem> <name> SOURCE <file> LABEL <label> FUZZED <targets...> LIBS <targets...>)
# One fuzz target, tests/<subsystem>/fuzz/<file>, with its kept inputs in corpus/<name>/ and the inputs that
# once crashed it in regressions/<name>/. With KELDRA_LIBFUZZER (clang, scripts/fuzz) it becomes the
# libFuzzer program fuzz_<subsystem>_<name>, linked to FUZZED. In the ordinary build it links LIBS with a
# replay main that runs every kept input as a test, and a second test runs the libFuzzer program a few
# seconds on the kept corpus (scripts/fuzz --smoke; the fuzz build is made once by the keldra_fuzz_build
# fixture).
function(keldra_fuzz_target subsystem name)
    cmake_parse_arguments(ARG "" "SOURCE;LABEL" "FUZZED;LIBS" ${ARGN})
    set(program fuzz_${subsystem}_${name})
    if(KELDRA_LIBFUZZER)
        add_executable(${program} ${ARG_SOURCE})
        target_compile_options(${program} PRIVATE -fsanitize=fuzzer)
        target_link_options(${program} PRIVATE -fsanitize=fuzzer)
        target_link_libraries(${program} PRIVATE ${ARG_FUZZED})
        return()
    endif()
    add_executable(${program}_replay ${ARG_SOURCE} ${CMAKE_SOURCE_DIR}/tests/support/fuzz/FuzzReplayMain.cpp)
    target_link_libraries(${program}_replay PRIVATE ${ARG_LIBS})
    add_test(NAME ${subsystem}_fuzz_replay_${name}
             COMMAND ${program}_replay ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name}
                     ${CMAKE_CURRENT_SOURCE_DIR}/regressions/${name})
    set_tests_properties(${subsystem}_fuzz_replay_${name} PROPERTIES LABELS ${ARG_LABEL} TIMEOUT 300)
    add_test(NAME ${subsystem}_fuzz_smoke_${name}
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/fuzz --smoke ${name} ${KELDRA_FUZZ_SMOKE_SECONDS}
                     ${KELDRA_FUZZ_BUILD_DIR})
    set_tests_properties(${subsystem}_fuzz_smoke_${name} PROPERTIES
        LABELS ${ARG_LABEL} TIMEOUT 300 FIXTURES_REQUIRED keldra_fuzz_build)
endfunction()
