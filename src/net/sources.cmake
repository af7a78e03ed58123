target_sources(briosms_core PRIVATE
  net/Brand.cpp net/Brand.h
  net/Http.cpp net/Http.h
  net/ServerServices.cpp net/ServerServices.h
)
