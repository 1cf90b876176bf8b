# Windows version information and application manifest for a program, compiled by the
# resource compiler of the tool chain (mingw-w64's windres) and linked into the .exe:
#   velmora_windows_resource(TARGET "DESCRIPTION")
# The version comes from project(VERSION), the copyright line from LICENSE. Only for WIN32
# builds; elsewhere it does nothing.
if(WIN32)
  enable_language(RC)
endif()

function(velmora_windows_resource target description)
  if(NOT WIN32)
    return()
  endif()
  file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE copyright REGEX "^Copyright ")
  string(REGEX REPLACE "^Copyright \\(c\\) [0-9]+ " "" authors "${copyright}")
  set(res_name ${target})
  set(res_file ${target}.exe)
  set(res_description "${description}")
  set(res_authors "${authors}")
  set(res_copyright "${copyright}, MIT License")
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-resource)
  set(res_manifest ${dir}/${target}.exe.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/src/driver/win32/app.manifest.in ${res_manifest} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/src/driver/win32/version.rc.in ${dir}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${dir}/${target}.rc)
  # windres does not see the manifest as an input of its own.
  set_source_files_properties(${dir}/${target}.rc PROPERTIES OBJECT_DEPENDS ${res_manifest})
endfunction()
