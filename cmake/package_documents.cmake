# What the Debian packages carry besides the programs, made when building
# (included by cmake/package.cmake, on Linux only): the manual pages
# kestrel-cli(1), from the program's own help through help2man, and
# kestrel(1), written by hand; changelog.gz in Debian's format from
# CHANGELOG.md. All compressed with gzip -9n, as Debian wants: the same
# bytes from the same input.
# The changelog names the source package CPACK_DEBIAN_PACKAGE_SOURCE and is
# signed by the maintainer CPACK_PACKAGE_CONTACT.
set(documents_dir ${PROJECT_BINARY_DIR}/package-documents)
set(packaging_dir ${PROJECT_SOURCE_DIR}/packaging)
file(MAKE_DIRECTORY ${documents_dir})

# Every subcommand and option as the program describes them; the sections
# its help does not hold come from kestrel-cli.h2m.
add_custom_command(
  OUTPUT ${documents_dir}/kestrel-cli.1.gz
  COMMAND ${CMAKE_COMMAND} -E env KESTREL_CLI=$<TARGET_FILE:kestrel-cli>
          help2man --no-info --locale=C.UTF-8 --section=1 --include=${packaging_dir}/kestrel-cli.h2m
          --output=kestrel-cli.1 ${packaging_dir}/kestrel-cli-help
  COMMAND gzip -9nf kestrel-cli.1
  DEPENDS kestrel-cli ${packaging_dir}/kestrel-cli-help ${packaging_dir}/kestrel-cli.h2m
  WORKING_DIRECTORY ${documents_dir}
  COMMENT "Writing the manual page kestrel-cli(1) from kestrel-cli's help"
  VERBATIM)

configure_file(${packaging_dir}/kestrel.1.in ${documents_dir}/kestrel.1.in-version @ONLY)
add_custom_command(
  OUTPUT ${documents_dir}/kestrel.1.gz
  COMMAND gzip -9nc kestrel.1.in-version > kestrel.1.gz
  DEPENDS ${documents_dir}/kestrel.1.in-version
  WORKING_DIRECTORY ${documents_dir}
  VERBATIM)

add_custom_command(
  OUTPUT ${documents_dir}/changelog.gz
  COMMAND sh ${packaging_dir}/debian-changelog ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${CPACK_DEBIAN_PACKAGE_SOURCE}
          ${PROJECT_VERSION} ${CPACK_PACKAGE_CONTACT} > changelog
  COMMAND gzip -9nf changelog
  DEPENDS ${packaging_dir}/debian-changelog ${PROJECT_SOURCE_DIR}/CHANGELOG.md
  WORKING_DIRECTORY ${documents_dir}
  COMMENT "Writing changelog.gz from CHANGELOG.md"
  VERBATIM)

add_custom_target(package_documents ALL
  DEPENDS ${documents_dir}/kestrel-cli.1.gz ${documents_dir}/kestrel.1.gz ${documents_dir}/changelog.gz)

# Each package's papers in /usr/share/doc/<package>/, its page in man1/.
foreach(package_component kestrel-cli:cli kestrel:kestrel)
  string(REPLACE ":" ";" package_component ${package_component})
  list(GET package_component 0 package)
  list(GET package_component 1 component)
  install(FILES ${packaging_dir}/copyright ${documents_dir}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
  install(FILES ${documents_dir}/${package}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endforeach()
