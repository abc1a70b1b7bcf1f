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

# Beside melvane.dll, which it loads at start. The same source built as C++
# (MELVANE_MSVC_HOST_CXX) is linked too, for the header's C++ declarations.
set(MELVANE_MSVC_HOST ${CMAKE_BINARY_DIR}/bin/melvane_msvc_host.exe)
set(MELVANE_MSVC_HOST_CXX ${msvc_folder}/melvane_msvc_host_cxx.exe)
set(compile ${CLANG} --target=${msvc_triple} -O1 -Wall -Wextra -Werror -I${CMAKE_SOURCE_DIR}/music -c)
set(link ${LLD_LINK} /nologo /nodefaultlib /entry:start /subsystem:console ${MELVANE_LIB} ${msvc_folder}/kernel32.lib)
set(source ${CMAKE_CURRENT_SOURCE_DIR}/msvc_host.c)
add_custom_command(
  OUTPUT ${MELVANE_MSVC_HOST} ${MELVANE_MSVC_HOST_CXX}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${msvc_folder} ${CMAKE_BINARY_DIR}/bin
  COMMAND ${kernel32_lib_command} -l ${msvc_folder}/kernel32.lib
  COMMAND ${compile} -x c ${source} -o ${msvc_folder}/msvc_host.obj
  COMMAND ${link} ${msvc_folder}/msvc_host.obj /out:${MELVANE_MSVC_HOST}
  COMMAND ${compile} -x c++ ${source} -o ${msvc_folder}/msvc_host_cxx.obj
  COMMAND ${link} ${msvc_folder}/msvc_host_cxx.obj /out:${MELVANE_MSVC_HOST_CXX}
  DEPENDS ${source} ${CMAKE_SOURCE_DIR}/music/melvane.h ${kernel32_def} ${MELVANE_LIB}
  COMMENT "Building the MSVC-ABI host")
add_custom_target(melvane_msvc_host ALL DEPENDS ${MELVANE_MSVC_HOST} ${MELVANE_MSVC_HOST_CXX})
add_dependencies(melvane_msvc_host melvane_msvc_import_library)
