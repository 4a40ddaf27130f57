# Delay-loaded Windows libraries for MinGW-w64: a DLL linked this way is
# loaded by the first call into it, not when the program starts, so the
# commands that never call it (kestrel-cli.exe show and generate) do not
# load it. The delay-import library is made with dlltool from a list of the
# DLL's exports, read off MinGW-w64's own import library.
# Other Windows compilers link the DLL as usual.
#   kestrel_delay_import(VARIABLE NAME)   sets VARIABLE to what to link for
#                                         NAME, as in lib<NAME>.a: wininet, bcrypt
function(kestrel_delay_import variable name)
  if(NOT MINGW)
    set(${variable} ${name} PARENT_SCOPE)
    return()
  endif()
  find_library(import_library_${name} NAMES lib${name}.a REQUIRED)
  set(folder ${CMAKE_BINARY_DIR}/delay-import)
  set(delay_library ${folder}/lib${name}_delay.a)
  if(NOT EXISTS ${delay_library})
    execute_process(COMMAND ${CMAKE_NM} ${import_library_${name}} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "__imp_[A-Za-z0-9_@]+" imports "${symbols}")
    list(TRANSFORM imports REPLACE "^__imp_" "")
    list(REMOVE_DUPLICATES imports)
    list(JOIN imports "\n" exports)
    file(MAKE_DIRECTORY ${folder})
    file(WRITE ${folder}/${name}.def "LIBRARY ${name}.dll\nEXPORTS\n${exports}\n")
    execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${folder}/${name}.def --output-delaylib ${delay_library}
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
  set(${variable} ${delay_library} PARENT_SCOPE)
endfunction()
