# Each module's headers are reached through an include root of its own in the build tree, never
# through the source tree as a whole, so that a target sees only the headers of the modules it
# links and an include that reaches an unlinked module fails to compile.
#
#   mailshift_module_headers(<target> <PUBLIC|PRIVATE|INTERFACE> [ROOT <name>] <path>...)
#
# Every <path> (a folder or a file, relative to the source tree) is linked into the include root
# ${PROJECT_BINARY_DIR}/include/<name> under the same relative path, so that sources keep writing
# "notes/FolderTree.h": a folder such as platform/mime becomes
#   include/platform-mime/platform/mime -> <source>/platform/mime
# and a single header such as platform/SystemNotesClient.h becomes
#   include/platform/platform/SystemNotesClient.h -> <source>/platform/SystemNotesClient.h.
# The root is added to <target>'s include directories with the given scope. <name> defaults to the
# first path with its slashes turned into dashes. The links are symbolic links made when the build
# is configured (the Windows build is cross-compiled on Linux, so it has them too).
function(mailshift_module_headers target scope)
  cmake_parse_arguments(M "" "ROOT" "" ${ARGN})
  set(paths ${M_UNPARSED_ARGUMENTS})
  if(NOT paths)
    message(FATAL_ERROR "mailshift_module_headers(${target}): no folder or header given")
  endif()
  if(NOT M_ROOT)
    list(GET paths 0 first_path)
    string(REPLACE "/" "-" M_ROOT "${first_path}")
  endif()
  set(root ${PROJECT_BINARY_DIR}/include/${M_ROOT})
  foreach(path IN LISTS paths)
    set(source ${PROJECT_SOURCE_DIR}/${path})
    if(NOT EXISTS ${source})
      message(FATAL_ERROR "mailshift_module_headers(${target}): ${path} is not in the source tree")
    endif()
    set(link ${root}/${path})
    if(IS_SYMLINK ${link})
      file(READ_SYMLINK ${link} current)
      if(current STREQUAL source)
        continue()
      endif()
      file(REMOVE ${link})
    endif()
    get_filename_component(parent ${link} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${source} ${link} SYMBOLIC)
  endforeach()
  target_include_directories(${target} ${scope} ${root})
endfunction()

# mailshift_folder_headers(<variable> <folder>): the headers directly in <folder> (not in its
# subfolders, which are modules of their own), relative to the source tree. A header added later
# makes the build configure again.
function(mailshift_folder_headers variable folder)
  file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/${folder}/*.h)
  set(${variable} ${headers} PARENT_SCOPE)
endfunction()
