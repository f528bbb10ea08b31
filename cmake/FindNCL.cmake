# Finds the NEXUS Class Library (Debian's libncl-dev) without pkg-config: the package has no
# .pc file that works. Defines the imported target NCL::NCL.
find_path(NCL_INCLUDE_DIR ncl/nxsmultiformat.h)
find_library(NCL_LIBRARY NAMES ncl PATH_SUFFIXES ncl)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(NCL REQUIRED_VARS NCL_LIBRARY NCL_INCLUDE_DIR)
if(NCL_FOUND AND NOT TARGET NCL::NCL)
  add_library(NCL::NCL UNKNOWN IMPORTED)
  # The library is built with its const member functions: its headers must say so too.
  set_target_properties(NCL::NCL PROPERTIES
    IMPORTED_LOCATION "${NCL_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${NCL_INCLUDE_DIR}"
    INTERFACE_COMPILE_DEFINITIONS "NCL_CONST_FUNCS=1")
endif()
mark_as_advanced(NCL_INCLUDE_DIR NCL_LIBRARY)
