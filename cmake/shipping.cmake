# What the shipped build takes from project(VERSION): the version resource,
# the manifest's assembly version and the About box's version text all come
# from one generated header and one generated manifest, so a release bumps
# the number in one place.
#
# NORVALE_COMMIT (for example g1a2b3c4) is added to the product version so a
# crash report names the exact source; the release script passes it, and a
# tree configured without it asks git once, at configure time.
if(NOT DEFINED NORVALE_COMMIT)
  execute_process(COMMAND git rev-parse --short=7 HEAD
                  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                  OUTPUT_VARIABLE norvale_head OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE norvale_git_rc ERROR_QUIET)
  if(norvale_git_rc EQUAL 0 AND norvale_head)
    set(NORVALE_COMMIT "g${norvale_head}")
  else()
    set(NORVALE_COMMIT "")
  endif()
endif()
set(NORVALE_COMMIT "${NORVALE_COMMIT}" CACHE STRING "The commit the product version names (gHEX)")

foreach(part MAJOR MINOR PATCH TWEAK)
  if(NOT PROJECT_VERSION_${part})
    set(PROJECT_VERSION_${part} 0)
  endif()
endforeach()
set(NORVALE_VERSION_COMMAS
    "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},${PROJECT_VERSION_TWEAK}")
set(NORVALE_VERSION
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${PROJECT_VERSION_TWEAK}")
if(NORVALE_COMMIT)
  set(NORVALE_PRODUCT_VERSION "${NORVALE_VERSION}+${NORVALE_COMMIT}")
else()
  set(NORVALE_PRODUCT_VERSION "${NORVALE_VERSION}")
endif()

set(NORVALE_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/resources/norvale_version.h.in
               ${NORVALE_GENERATED_DIR}/norvale_version.h @ONLY)
# The resource script names the generated copy, found through the include path.
configure_file(${CMAKE_SOURCE_DIR}/resources/norvale.manifest
               ${NORVALE_GENERATED_DIR}/norvale.exe.manifest @ONLY)
# Only resource scripts read them: C++ compile lines stay free of the build
# directory, so two build trees share their compiler cache.
include_directories($<$<COMPILE_LANGUAGE:RC>:${NORVALE_GENERATED_DIR}>)

if(WIN32)
  # Size: nothing in this GUI program is speed-bound, so the whole Windows
  # build is optimised for size, and the linker drops every function and
  # datum that nothing reaches. ASLR (--dynamicbase) and DEP (--nxcompat)
  # stay binutils' defaults.
  add_compile_options(-Os -ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections)
  # No run-time type information: nothing asks a type its name, and the names
  # of every class and of every lambda a std::function holds came to about
  # 95 KB of the executable. Exceptions keep the type information they need.
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>)
  # Reproducible: no link time in the PE header, and no build directory in
  # the debug file, whose checksum the stripped exe's debug link carries.
  add_link_options(-Wl,--no-insert-timestamp)
  add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=norvale
                      -ffile-prefix-map=${CMAKE_BINARY_DIR}=norvale/build)
  # ccache with a base directory hands the compiler source paths relative to
  # the object's directory (../../iscsi/...): they get the same names as
  # absolute ones, so a build with or without ccache gives the same bytes.
  # The compiler takes the last matching map, so the longest comes last.
  set(norvale_up "")
  foreach(depth RANGE 1 6)
    string(APPEND norvale_up "../")
    add_compile_options(-ffile-prefix-map=${norvale_up}=norvale/)
  endforeach()
endif()
