# The MSVC-ABI host (msvc_host.c): compiled by clang for the Microsoft target
# and linked by lld-link against melvane.lib and a kernel32 import library
# written from kernel32.def, with no SDK and no C library.
find_program(CLANG NAMES clang clang-14 REQUIRED)
find_program(LLD_LINK NAMES lld-link lld-link-14 REQUIRED)

set(msvc_folder ${CMAKE_CURRENT_BINARY_DIR}/msvc)
set(kernel32_def ${CMAKE_CURRENT_SOURCE_DIR}/kernel32.def)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${kernel32_def})
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(msvc_triple i686-pc-windows-msvc)
  # -k: the routines are imported by their undecorated names.
  set(kernel32_lib_command ${LLVM_DLLTOOL} -m i386 -k -d ${kernel32_def})
else()
  set(msvc_triple x86_64-pc-windows-msvc)
  file(READ ${kernel32_def} names)
  string(REGEX REPLACE "@[0-9]+" "" names "${names}")
  file(CONFIGURE OUTPUT ${msvc_folder}/kernel32.def CONTENT "${names}")
  set(kernel32_lib_command ${LLVM_DLLTOOL} -m i386:x86-64 -d ${msvc_folder}/kernel32.def)
endif()

# Beside melvane.dll, which it loads at start.
set(MELVANE_MSVC_HOST ${CMAKE_BINARY_DIR}/bin/melvane_msvc_host.exe)
add_custom_command(
  OUTPUT ${MELVANE_MSVC_HOST}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${msvc_folder} ${CMAKE_BINARY_DIR}/bin
  COMMAND ${kernel32_lib_command} -l ${msvc_folder}/kernel32.lib
  COMMAND ${CLANG} --target=${msvc_triple} -O1 -Wall -Wextra -Werror -I${CMAKE_SOURCE_DIR}/music
    -c ${CMAKE_CURRENT_SOURCE_DIR}/msvc_host.c -o ${msvc_folder}/msvc_host.obj
  COMMAND ${LLD_LINK} /nologo /nodefaultlib /entry:start /subsystem:console
    ${msvc_folder}/msvc_host.obj ${MELVANE_LIB} ${msvc_folder}/kernel32.lib /out:${MELVANE_MSVC_HOST}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/msvc_host.c ${CMAKE_SOURCE_DIR}/music/melvane.h ${kernel32_def} ${MELVANE_LIB}
  COMMENT "Building the MSVC-ABI host")
add_custom_target(melvane_msvc_host ALL DEPENDS ${MELVANE_MSVC_HOST})
add_dependencies(melvane_msvc_host melvane_msvc_import_library)
