target_sources(briosms_core PRIVATE
  net/Http.cpp net/Http.h
  net/ServerServices.cpp net/ServerServices.h
)
