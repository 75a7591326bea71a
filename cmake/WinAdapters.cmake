# What the Windows adapters need, for the program's build and for the
# adapters-only build alike.
function(ww_win_adapter_settings target)
  # Wide Win32 calls by default; the ANSI ones are named where they are meant.
  target_compile_definitions(${target} PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                             _WIN32_WINNT=0x0601)
  target_link_libraries(${target} PUBLIC shell32 ole32 shlwapi user32 advapi32 winmm ws2_32 ntdll)
endfunction()
