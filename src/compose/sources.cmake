target_sources(briosms_core PRIVATE
  compose/MessageState.cpp compose/MessageState.h
  compose/NumberRules.cpp compose/NumberRules.h
  compose/Compression.cpp compose/Compression.h
  compose/SendLock.cpp compose/SendLock.h
  compose/SendLog.cpp compose/SendLog.h
  compose/SendProcedure.cpp compose/SendProcedure.h
  compose/AccountCommands.cpp compose/AccountCommands.h
)
