# Resource-only Windows modules (string tables, icons, bitmaps) built from a .rc file with
# MinGW's windres and ld. Such a module has no code, so no C compiler for Windows is needed;
# the preprocessor is the host compiler's.
#   lv8_resource_module(<output.dll> <file.rc> <32|64> DEPENDS <inputs...>)
# Files the .rc names are found relative to the .rc's folder.
find_program(LV8_WINDRES_64 x86_64-w64-mingw32-windres REQUIRED)
find_program(LV8_LD_64 x86_64-w64-mingw32-ld REQUIRED)
find_program(LV8_WINDRES_32 i686-w64-mingw32-windres REQUIRED)
find_program(LV8_LD_32 i686-w64-mingw32-ld REQUIRED)

function(lv8_resource_module output rc bits)
  cmake_parse_arguments(PARSE_ARGV 3 arg "" "" "DEPENDS")
  get_filename_component(rc_dir ${rc} DIRECTORY)
  get_filename_component(out_dir ${output} DIRECTORY)
  get_filename_component(out_name ${output} NAME_WE)
  set(object ${out_dir}/${out_name}.o)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
    COMMAND ${LV8_WINDRES_${bits}} --preprocessor=${CMAKE_CXX_COMPILER} --preprocessor-arg=-E
            --preprocessor-arg=-xc --preprocessor-arg=-DRC_INVOKED --codepage=65001
            -I ${rc_dir} -i ${rc} -o ${object} -O coff
    COMMAND ${LV8_LD_${bits}} --dll -e 0 -o ${output} ${object}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${object}
    DEPENDS ${rc} ${arg_DEPENDS}
    WORKING_DIRECTORY ${rc_dir}
    COMMENT "Resource module ${out_name}"
    VERBATIM)
endfunction()
