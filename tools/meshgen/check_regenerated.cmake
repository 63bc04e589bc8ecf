# Runs the mesh generator into a scratch directory and fails unless each table
# file it writes equals the committed one byte for byte.
# Inputs: GENERATOR (the meshgen binary), SCRATCH, COMMITTED (directories).
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
execute_process(COMMAND ${GENERATOR} ${SCRATCH} RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "meshgen failed: ${status}")
endif()
foreach(table mesh_a_data.cpp mesh_b_data.cpp mesh_c_data.cpp)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
    ${SCRATCH}/${table} ${COMMITTED}/${table} RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "meshes/${table} differs from the generator's output; "
                        "rebuild the meshgen_update target and commit the result")
  endif()
endforeach()
