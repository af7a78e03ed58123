target_sources(briosms_core PRIVATE
  net/Brand.cpp net/Brand.h
  net/Http.cpp net/Http.h
  net/HttpClient.cpp net/HttpClient.h
  net/NetworkWait.cpp net/NetworkWait.h
  net/ServerServices.cpp net/ServerServices.h
)
