# Installs lumivane-cli's part of the build into a staging folder and checks that the bash completion lands where
# bash-completion looks for it (share/bash-completion/completions/<command>) and completes the program.
# -DBUILD_DIR=<build folder> -DSTAGE=<staging folder, emptied first>
file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${STAGE}
                        ${CMAKE_COMMAND} -DCMAKE_INSTALL_PREFIX=/usr -P ${BUILD_DIR}/cli/cmake_install.cmake
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "installing lumivane-cli failed: ${result}")
endif()
foreach(file bin/lumivane-cli share/bash-completion/completions/lumivane-cli)
  if(NOT EXISTS ${STAGE}/usr/${file})
    message(FATAL_ERROR "${file} was not installed")
  endif()
endforeach()
file(READ ${STAGE}/usr/share/bash-completion/completions/lumivane-cli script)
if(NOT script MATCHES "complete -F _lumivane_cli lumivane-cli")
  message(FATAL_ERROR "the installed bash completion does not complete lumivane-cli")
endif()
