# Debian's hardening flags, as dpkg-buildflags gives them with every
# hardening feature on: fortified C library functions (_FORTIFY_SOURCE), the
# stack protector, format-string checks, and read-only relocations resolved
# at start (relro, bindnow). The build type keeps choosing -O and -g.
# Not with the sanitizers, which bring their own checks; without
# dpkg-buildflags (another distribution) nothing is added.
option(KUVORA_HARDENING "Build with Debian's hardening flags (dpkg-buildflags)" ON)
if(KUVORA_HARDENING AND NOT KUVORA_SANITIZE AND NOT KUVORA_FUZZ)
  find_program(DPKG_BUILDFLAGS dpkg-buildflags)
  if(DPKG_BUILDFLAGS)
    set(hardening_flags)
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
      execute_process(
        COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all ${DPKG_BUILDFLAGS} --get ${kind}
        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR "dpkg-buildflags --get ${kind} failed")
      endif()
      separate_arguments(flags UNIX_COMMAND "${flags}")
      set(hardening_${kind})
      foreach(flag ${flags})
        # Optimisation, debug information and path mapping are the build's own.
        if(NOT flag MATCHES "^-(O|g|ffile-prefix-map=|fdebug-prefix-map=)")
          list(APPEND hardening_${kind} ${flag})
        endif()
      endforeach()
    endforeach()
    # _FORTIFY_SOURCE needs an optimised build; a Debug build would only warn.
    foreach(flag ${hardening_CPPFLAGS})
      if(flag MATCHES "^-D_FORTIFY_SOURCE")
        add_compile_options($<$<NOT:$<CONFIG:Debug>>:${flag}>)
      else()
        add_compile_options(${flag})
      endif()
    endforeach()
    add_compile_options(${hardening_CXXFLAGS})
    add_link_options(${hardening_LDFLAGS})
    message(STATUS "Hardening flags: ${hardening_CPPFLAGS} ${hardening_CXXFLAGS} ${hardening_LDFLAGS}")
  endif()
endif()

# Installed programs are stripped as Debian strips them: without the
# .comment and .note sections either (compiler identification, of no use
# at run time). A wrapper around the strip program found; the cached
# CMAKE_STRIP stays the plain one.
if(CMAKE_STRIP AND NOT KUVORA_SANITIZE AND NOT KUVORA_FUZZ)
  set(debian_strip ${CMAKE_BINARY_DIR}/debian-strip)
  file(CONFIGURE OUTPUT ${debian_strip}
    CONTENT "#!/bin/sh\nexec \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note \"$@\"\n")
  file(CHMOD ${debian_strip} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
       WORLD_READ WORLD_EXECUTE)
  set(CMAKE_STRIP ${debian_strip})
endif()
