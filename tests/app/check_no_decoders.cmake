# The programs that users run load no image decoder beyond the header-only
# calls into libjpeg, libpng, libtiff, libwebp and libexif: every pixel is
# decoded in the confined loader helper. Run with -DPROGRAMS=a;b -DHELPER=...
#
# The libraries each program loads, as the dynamic loader resolves them
# (ldd), matched against the decoding libraries the helper's libvips brings.
set(decoders vips heif de265 x265 aom dav1d MagickCore MagickWand GraphicsMagick openjp2 jxl rsvg poppler
    gif spng OpenEXR openslide cfitsio matio cgif imagequant)
list(JOIN decoders "|" alternatives)
set(pattern "(^|[\t /])lib(${alternatives})[-.0-9]*\\.so")

function(loaded_libraries program out)
  execute_process(COMMAND ldd "${program}" RESULT_VARIABLE status OUTPUT_VARIABLE listing ERROR_VARIABLE error)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "ldd ${program} failed: ${error}")
  endif()
  string(REPLACE "\n" ";" lines "${listing}")
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()

# The pattern finds what it is for: the helper does decode.
loaded_libraries("${HELPER}" lines)
set(found FALSE)
foreach(line IN LISTS lines)
  if(line MATCHES "${pattern}")
    set(found TRUE)
  endif()
endforeach()
if(NOT found)
  message(FATAL_ERROR "no decoder found in the loader helper ${HELPER}: the check cannot tell")
endif()

foreach(program IN LISTS PROGRAMS)
  loaded_libraries("${program}" lines)
  foreach(line IN LISTS lines)
    if(line MATCHES "${pattern}")
      string(STRIP "${line}" line)
      message(FATAL_ERROR "${program} loads a decoder: ${line}")
    endif()
  endforeach()
endforeach()
