# Runs in CPack's staging folder before the package is made: compresses the
# manual pages and adds the copyright and a changelog under share/doc.
find_program(GZIP gzip REQUIRED)
set(stage ${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
if(NOT EXISTS ${stage}/bin)
  message(FATAL_ERROR "no programs in the staging folder ${stage}")
endif()

file(GLOB pages ${stage}/share/man/man1/*.1)
foreach(page ${pages})
  execute_process(COMMAND ${GZIP} -9nf ${page} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "gzip ${page} failed")
  endif()
endforeach()

set(doc ${stage}/share/doc/${CPACK_PACKAGE_NAME})
file(MAKE_DIRECTORY ${doc})
file(COPY_FILE ${CPACK_PLK_PACKAGING_DIR}/copyright ${doc}/copyright)
# The date follows SOURCE_DATE_EPOCH when it is set, so rebuilds can match.
string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${doc}/changelog
"${CPACK_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium

  * Plinkavorte ${CPACK_PACKAGE_VERSION}.

 -- ${CPACK_DEBIAN_PACKAGE_MAINTAINER}  ${date}
")
execute_process(COMMAND ${GZIP} -9nf ${doc}/changelog RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gzip ${doc}/changelog failed")
endif()
file(CHMOD ${doc}/copyright ${doc}/changelog.gz PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
