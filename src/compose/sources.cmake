target_sources(briosms_core PRIVATE
  compose/Compression.cpp compose/Compression.h
  compose/SendProcedure.cpp compose/SendProcedure.h
)
