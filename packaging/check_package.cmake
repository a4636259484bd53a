# Installs the build into a staging folder and makes the Debian package; fails when either
# lacks a file of the installation, or the package lacks a dependency or the udev reload.
# Run by ctest with BUILD_DIR, CPACK, LIBDIR, DATADIR and UDEV_DIR set.
set(work ${BUILD_DIR}/package-check)
file(REMOVE_RECURSE ${work})
set(expected
    bin/velmora2
    ${LIBDIR}/libfenlor.so
    ${LIBDIR}/libmeasurement.so
    ${UDEV_DIR}/60-velmora2.rules
    ${DATADIR}/applications/velmora2.desktop
    ${DATADIR}/metainfo/org.velmora2.velmora2.metainfo.xml
    ${DATADIR}/icons/hicolor/scalable/apps/velmora2.svg
    ${DATADIR}/icons/hicolor/48x48/apps/velmora2.png
    ${DATADIR}/icons/hicolor/128x128/apps/velmora2.png
    ${DATADIR}/velmora2/demo/trevan.hex
    ${DATADIR}/velmora2/firmware/README
    ${DATADIR}/man/man1/velmora2.1.gz
    ${DATADIR}/doc/velmora2/copyright
    ${DATADIR}/doc/velmora2/README.Debian
    ${DATADIR}/doc/velmora2/changelog.gz)

execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${work}/stage
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
foreach(f IN LISTS expected)
  if(NOT EXISTS ${work}/stage/${f})
    message(SEND_ERROR "cmake --install did not put ${f}")
  endif()
endforeach()

execute_process(COMMAND ${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${work}/deb
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
file(GLOB debs ${work}/deb/*.deb)
list(LENGTH debs count)
if(NOT rc EQUAL 0 OR NOT count EQUAL 1)
  message(FATAL_ERROR "cpack -G DEB failed (${rc}):\n${out}")
endif()

execute_process(COMMAND dpkg-deb -c ${debs} OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dpkg-deb -c failed: ${rc}")
endif()
foreach(f IN LISTS expected)
  string(FIND "${listing}" " ./usr/${f}\n" at)
  if(at EQUAL -1)
    message(SEND_ERROR "the package lacks /usr/${f}:\n${listing}")
  endif()
endforeach()

execute_process(COMMAND dpkg-deb -f ${debs} Depends OUTPUT_VARIABLE depends)
foreach(package libqt6widgets6 libqt6printsupport6 libusb-1.0-0 libjpeg libxlsxwriter libzip)
  string(FIND "${depends}" "${package}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "the package does not depend on ${package}: ${depends}")
  endif()
endforeach()

execute_process(COMMAND dpkg-deb -c ${debs} OUTPUT_VARIABLE listing)
foreach(absent /usr/lib/libfenlor.so /usr/lib/libmeasurement.so)
  string(FIND "${listing}" " .${absent}\n" at)
  if(NOT at EQUAL -1)
    message(SEND_ERROR "the package puts a private library into the system's folder: ${absent}")
  endif()
endforeach()

execute_process(COMMAND dpkg-deb -I ${debs} postinst OUTPUT_VARIABLE postinst)
string(FIND "${postinst}" "udevadm control --reload-rules" at)
if(at EQUAL -1)
  message(SEND_ERROR "the package's postinst does not reload the udev rules:\n${postinst}")
endif()
