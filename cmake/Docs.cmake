# Manual pages and the bash completion, generated from the programs' own help texts at build time so
# that neither can drift from --help; installed with the programs.
set(docs_dir ${CMAKE_BINARY_DIR}/docs)
set(completion ${docs_dir}/custodiactl)
set(manual_pages ${docs_dir}/custodiactl.1)
add_custom_command(
  OUTPUT ${docs_dir}/custodiactl.1 ${docs_dir}/custodiactl.1.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${docs_dir}
  COMMAND custodiactl_docs manual ${docs_dir}/custodiactl.1
  # -n: no name or time stamp inside, so that the package is the same from one build to the next.
  COMMAND gzip -9nkf ${docs_dir}/custodiactl.1
  DEPENDS custodiactl_docs
  COMMENT "Writing custodiactl(1)"
  VERBATIM)
add_custom_command(
  OUTPUT ${completion}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${docs_dir}
  COMMAND custodiactl_docs completion ${PROJECT_SOURCE_DIR}/packaging/custodiactl.bash ${completion}
  DEPENDS custodiactl_docs ${PROJECT_SOURCE_DIR}/packaging/custodiactl.bash
  COMMENT "Writing the bash completion of custodiactl"
  VERBATIM)
set(docs_outputs ${docs_dir}/custodiactl.1.gz ${completion})
if(CUSTODIA_BUILD_UI)
  add_custom_command(
    OUTPUT ${docs_dir}/custodia.1 ${docs_dir}/custodia.1.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${docs_dir}
    COMMAND custodia_manual ${docs_dir}/custodia.1
    COMMAND gzip -9nkf ${docs_dir}/custodia.1
    DEPENDS custodia_manual
    COMMENT "Writing custodia(1)"
    VERBATIM)
  list(APPEND docs_outputs ${docs_dir}/custodia.1.gz)
endif()
add_custom_target(custodia_docs ALL DEPENDS ${docs_outputs})

list(FILTER docs_outputs INCLUDE REGEX "\\.1\\.gz$")
install(FILES ${docs_outputs} DESTINATION share/man/man1)
install(FILES ${completion} DESTINATION share/bash-completion/completions)
