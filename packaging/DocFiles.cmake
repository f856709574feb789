# Makes the documents of /usr/share/doc/kuvora as Debian policy asks: every
# file larger than 4 kB compressed with gzip -9n, and the links between the
# documents pointing at the names they are installed under (readers.md.gz),
# so that no link is broken. The licence is installed as "copyright".
#   cmake -DSOURCE_DIR=... -DOUT_DIR=... -P DocFiles.cmake
cmake_minimum_required(VERSION 3.25)

file(GLOB docs RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/docs/*.md)
set(names README.md ${docs})
foreach(name ${names})
  file(READ ${SOURCE_DIR}/${name} text_${name})
endforeach()
string(REPLACE "](LICENSE)" "](copyright)" text_README.md "${text_README.md}")

# The path of `target` as a link in the document `from` writes it.
function(link_path from target out)
  get_filename_component(dir ${from} DIRECTORY)
  get_filename_component(target_dir ${target} DIRECTORY)
  get_filename_component(target_name ${target} NAME)
  if(dir STREQUAL target_dir)
    set(${out} ${target_name} PARENT_SCOPE)
  elseif(dir STREQUAL "")
    set(${out} ${target} PARENT_SCOPE)
  else()
    set(${out} ../${target} PARENT_SCOPE)
  endif()
endfunction()

# Compressing a file lengthens the links to it, which may take another file
# over the limit: repeat until nothing changes.
set(compressed)
while(TRUE)
  set(now)
  foreach(name ${names})
    string(LENGTH "${text_${name}}" size)
    if(size GREATER 4096)
      list(APPEND now ${name})
    endif()
  endforeach()
  list(REMOVE_ITEM now ${compressed})
  if(NOT now)
    break()
  endif()
  list(APPEND compressed ${now})
  foreach(target ${now})
    foreach(name ${names})
      link_path(${name} ${target} link)
      string(REPLACE "](${link})" "](${link}.gz)" text_${name} "${text_${name}}")
      string(REPLACE "](${link}#" "](${link}.gz#" text_${name} "${text_${name}}")
    endforeach()
  endforeach()
endwhile()

file(REMOVE_RECURSE ${OUT_DIR})
foreach(name ${names})
  file(WRITE ${OUT_DIR}/${name} "${text_${name}}")
  if(name IN_LIST compressed)
    execute_process(COMMAND gzip -9n ${OUT_DIR}/${name} RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "gzip ${name} failed")
    endif()
  endif()
endforeach()
