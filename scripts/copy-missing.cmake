# Copies every file of SOURCE into DEST that DEST does not hold yet; existing files are left alone.
file(GLOB samples LIST_DIRECTORIES false RELATIVE ${SOURCE} ${SOURCE}/*)
foreach(name ${samples})
  if(NOT EXISTS ${DEST}/${name})
    file(COPY ${SOURCE}/${name} DESTINATION ${DEST})
  endif()
endforeach()
