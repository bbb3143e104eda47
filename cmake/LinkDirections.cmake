# quenby_forbid_links(<target> <library>...): configuring fails when <target> links one of the
# libraries directly. Together with tools/check_includes, keeps the libraries linking one way:
# base <- engine_archive <- engine, base <- ui_render <- ui_core <- ui_controls <- ui_skin, and no
# library links the installer's application library.
function(quenby_forbid_links target)
  get_target_property(links ${target} LINK_LIBRARIES)
  if(NOT links)
    get_target_property(links ${target} INTERFACE_LINK_LIBRARIES)
  endif()
  foreach(forbidden IN LISTS ARGN)
    if(forbidden IN_LIST links)
      message(FATAL_ERROR "${target} may not link ${forbidden}")
    endif()
  endforeach()
endfunction()

set(quenby_ui_layers ui_render ui_core ui_controls ui_skin ui)
quenby_forbid_links(base engine_archive engine ${quenby_ui_layers} installer_app)
quenby_forbid_links(engine_archive engine ${quenby_ui_layers} installer_app)
quenby_forbid_links(engine ${quenby_ui_layers} installer_app)
quenby_forbid_links(ui_render engine_archive engine ui_core ui_controls ui_skin ui installer_app)
quenby_forbid_links(ui_core engine_archive engine ui_controls ui_skin ui installer_app)
quenby_forbid_links(ui_controls engine_archive engine ui_skin ui installer_app)
quenby_forbid_links(ui_skin engine_archive engine ui installer_app)
quenby_forbid_links(ui engine_archive engine installer_app)
