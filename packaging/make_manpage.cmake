# Writes the man page velmora2.1 (gzip-compressed) from the program's own --help text, so the
# two never differ. Run with PROGRAM, VERSION and OUTPUT set.
execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${PROGRAM} --help
                OUTPUT_VARIABLE help RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed: ${rc}")
endif()
string(REPLACE "\\" "\\\\" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REGEX REPLACE "\n$" "" help "${help}")
string(REPLACE "\n" ";" lines "${help}")
set(description "")
set(options "")
set(part head)
foreach(line IN LISTS lines)
  if(line MATCHES "^Usage:")
    continue()
  elseif(line STREQUAL "Options:")
    set(part options)
  elseif(part STREQUAL "head")
    if(line STREQUAL "")
      string(APPEND description ".PP\n")
    else()
      string(APPEND description "${line}\n")
    endif()
  elseif(line MATCHES "^  (\\\\-[^ ].*[^ ])  +(.*)$")
    string(APPEND options ".TP\n.B ${CMAKE_MATCH_1}\n${CMAKE_MATCH_2}\n")
  elseif(line MATCHES "^ +(.*)$")
    string(APPEND options "${CMAKE_MATCH_1}\n")
  endif()
endforeach()
file(WRITE ${OUTPUT}.in
".TH VELMORA2 1 \"\" \"velmora2 ${VERSION}\" \"User Commands\"
.SH NAME
velmora2 \\- program for the two\\-channel USB oscilloscope
.SH SYNOPSIS
.B velmora2
[\\fIoptions\\fR]
.SH DESCRIPTION
${description}.SH OPTIONS
${options}.PP
The options of Qt programs (\\-platform, \\-style, ...) are taken as well.
.SH FILES
.TP
.I $XDG_CONFIG_HOME/velmora2/registry.ini
the user's own registry (\\fI~/.config/velmora2/registry.ini\\fR by default), read instead of the installation's when present
.TP
.I /etc/velmora2/registry.ini
the installation's registry
.TP
.I /usr/share/velmora2/firmware/trevan.hex
the instrument's firmware, supplied with the instrument
.SH EXIT STATUS
.TP
.B 0
after a normal run, after \\-\\-help or \\-\\-version, and when another instance runs already
.TP
.B 1
the demo installation's folders or files cannot be made (\\-\\-demo)
.TP
.B 2
an unknown option or argument; the usage is printed
.TP
.B 255
the instrument cannot be initialised (the message names why), or the program failed before its window opened
")
execute_process(COMMAND gzip -9nc ${OUTPUT}.in OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gzip failed: ${rc}")
endif()
