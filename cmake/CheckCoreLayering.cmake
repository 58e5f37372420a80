# The core holds every rule of the system and no GTK: none of its files may
# include the GTK backend or a GTK, GLib, WebKit or libsoup header. Run as a
# script (cmake -DQV_FILES="a|b|..." [-DQV_STAMP=file] -P this file) by the
# build before the core compiles, and by the test that shows it fires.
string(REPLACE "|" ";" qv_files "${QV_FILES}")
set(qv_banned [[^[ 	]*#[ 	]*include[ 	]*[<"](host/gtk/|gtk/|gdk/|gio/|glib|webkit/|libsoup/|jsc/)]])
set(qv_offences "")
foreach(qv_file IN LISTS qv_files)
  file(STRINGS "${qv_file}" qv_lines REGEX "${qv_banned}")
  foreach(qv_line IN LISTS qv_lines)
    string(APPEND qv_offences "\n  ${qv_file}: ${qv_line}")
  endforeach()
endforeach()
if(qv_offences)
  message(FATAL_ERROR "the core includes the GTK backend or its libraries:${qv_offences}")
endif()
if(QV_STAMP)
  file(TOUCH "${QV_STAMP}")
endif()
