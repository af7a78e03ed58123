target_sources(briosms_core PRIVATE
  gateway/GatewayControl.cpp gateway/GatewayControl.h
  gateway/GatewayPassword.cpp gateway/GatewayPassword.h
  gateway/GsmTextOnly.cpp gateway/GsmTextOnly.h
  gateway/KannelGateway.cpp gateway/KannelGateway.h
  gateway/GatewayFactory.cpp gateway/GatewayFactory.h
  gateway/HttpGateway.cpp gateway/HttpGateway.h
  gateway/SandboxGateway.cpp gateway/SandboxGateway.h
  gateway/SendTime.cpp gateway/SendTime.h
  gateway/Login.cpp gateway/Login.h
  gateway/GatewaySession.cpp gateway/GatewaySession.h
)
# Gateway passwords in the desktop's keyring.
find_package(Qt6Keychain REQUIRED)
target_link_libraries(briosms_core PRIVATE Qt6Keychain::Qt6Keychain)
