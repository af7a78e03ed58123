target_sources(briosms_core PRIVATE
  context/Account.h
  context/AppState.cpp context/AppState.h
  context/BrandTexts.cpp context/BrandTexts.h
  context/Context.cpp context/Context.h
  context/Notifier.cpp context/Notifier.h
)
