# The output folder is a fresh installation that starts without a log-on (a user file with no users),
# with a demo login path written by custodiactl and listed in the folder's "custo.cfg".
set(demo_out ${CUSTODIA_OUTPUT_DIR})

# An existing user file is never touched, so users added while trying the console stay.
add_custom_command(
  OUTPUT ${demo_out}/tessel.pwd
  COMMAND $<TARGET_FILE:custodiactl> init ${demo_out}
  COMMAND ${CMAKE_COMMAND} -E touch_nocreate ${demo_out}/tessel.pwd
  DEPENDS custodiactl
  COMMENT "Creating the installation's empty user file"
  VERBATIM)

# Written afresh whenever custodiactl or the script changes.
add_custom_command(
  OUTPUT "${demo_out}/demo/Head Office/tessel.pwd"
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/make-demo $<TARGET_FILE:custodiactl> ${demo_out}
  DEPENDS custodiactl ${PROJECT_SOURCE_DIR}/scripts/make-demo
  COMMENT "Writing the demo login path"
  VERBATIM)

add_custom_target(custodia_demo ALL DEPENDS ${demo_out}/tessel.pwd "${demo_out}/demo/Head Office/tessel.pwd")
