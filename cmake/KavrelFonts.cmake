# The shipped speech fonts KAL16 and KAL8, their kernel dictionary and the
# registration file, built into share/kavrel/ beside lib/ so that the engine
# of the build tree finds them with no configuration.  They need Debian's
# festival data (scripts/deps.sh installs it); without it they are skipped.
set(KAVREL_KAL_GROUP /usr/share/festival/voices/english/kal_diphone/group/kallpc16k.group)
set(KAVREL_CMUDICT /usr/share/festival/dicts/cmu/cmudict-0.4.out)
set(KAVREL_POSLEX /usr/share/festival/dicts/wsj.wp39.poslexR)
set(KAVREL_POSTAGS /usr/share/festival/dicts/wsj.wp39.tri.ngrambin)

if(NOT TARGET kavfont)
  return()
endif()
foreach(_file ${KAVREL_KAL_GROUP} ${KAVREL_CMUDICT} ${KAVREL_POSLEX} ${KAVREL_POSTAGS})
  if(NOT EXISTS ${_file})
    message(STATUS "Speech fonts not built: ${_file} is missing (run scripts/deps.sh)")
    return()
  endif()
endforeach()

set(_share ${CMAKE_BINARY_DIR}/share/kavrel)
set(_rules ${CMAKE_SOURCE_DIR}/fonts/KAL16/rules)
# The text passes run in the order of their file names.
file(GLOB _passes CONFIGURE_DEPENDS ${_rules}/[0-9]*.rules)
list(SORT _passes)
set(_lexicon ${CMAKE_BINARY_DIR}/lexicon/kernel.lex)
# The kernel lexicon lists the words the letter-to-sound pass gets wrong,
# with the hand-written entries first (fonts/KAL16/lexicon.md).
set(_letters ${_rules}/3_letters.rules ${_rules}/3_stress.rules)
string(REPLACE ";" "," _letter_list "${_letters}")
set(_extra ${CMAKE_SOURCE_DIR}/fonts/KAL16/lexicon-extra.lex)

add_custom_command(OUTPUT ${_lexicon}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/lexicon
  COMMAND kavfont lexicon cmu --cmudict ${KAVREL_CMUDICT} --poslex ${KAVREL_POSLEX}
          --tags ${KAVREL_POSTAGS} --rules ${_letter_list} --extra ${_extra} --max 65535 -o ${_lexicon}
  DEPENDS kavfont ${KAVREL_CMUDICT} ${KAVREL_POSLEX} ${KAVREL_POSTAGS} ${_letters} ${_extra}
  COMMENT "Making the kernel lexicon" VERBATIM)
add_custom_command(OUTPUT ${_share}/KERNEL.DIC
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_share}
  COMMAND kavfont dict compile ${_lexicon} -o ${_share}/KERNEL.DIC --case upper
  DEPENDS kavfont ${_lexicon}
  COMMENT "Compiling KERNEL.DIC" VERBATIM)

set(_fonts ${_share}/KERNEL.DIC)
foreach(_variant kal16 kal8)
  string(TOUPPER ${_variant} _name)
  add_custom_command(OUTPUT ${_share}/${_name}.DLL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_share}
    COMMAND kavfont link --db ${KAVREL_KAL_GROUP} --variant ${_variant} --sentence ${_rules}/sentence.rules
            --kernel KERNEL.DIC -o ${_share}/${_name}.DLL ${_passes}
    DEPENDS kavfont ${KAVREL_KAL_GROUP} ${_rules}/sentence.rules ${_passes}
    COMMENT "Linking ${_name}.DLL" VERBATIM)
  list(APPEND _fonts ${_share}/${_name}.DLL)
endforeach()

add_custom_command(OUTPUT ${_share}/kavrel.reg
  COMMAND kavfont register --dir ${_share} -o ${_share}/kavrel.reg
          "KAL16=American English male, 16 kHz" "KAL8=American English male, 11 kHz 8-bit"
  DEPENDS kavfont
  COMMENT "Registering the speech fonts" VERBATIM)
# The recordings' licence travels with the fonts made from them.
add_custom_command(OUTPUT ${_share}/COPYING.kal
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/fonts/KAL16/COPYING.kal ${_share}/COPYING.kal
  DEPENDS ${CMAKE_SOURCE_DIR}/fonts/KAL16/COPYING.kal VERBATIM)
add_custom_target(kavrel_fonts ALL DEPENDS ${_fonts} ${_share}/kavrel.reg ${_share}/COPYING.kal)
set(KAVREL_FONTS_BUILT ON)

# Installed, the registration names the installed font directory.
install(FILES ${_fonts} ${_share}/COPYING.kal DESTINATION share/kavrel)
install(CODE "
  execute_process(COMMAND $<TARGET_FILE:kavfont> register --dir \${CMAKE_INSTALL_PREFIX}/share/kavrel
                  -o \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/share/kavrel/kavrel.reg
                  \"KAL16=American English male, 16 kHz\" \"KAL8=American English male, 11 kHz 8-bit\"
                  RESULT_VARIABLE _status)
  if(_status)
    message(FATAL_ERROR \"kavrel.reg could not be written\")
  endif()")
