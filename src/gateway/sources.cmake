target_sources(briosms_core PRIVATE
  gateway/GatewayControl.h
  gateway/GatewayFactory.cpp gateway/GatewayFactory.h
  gateway/SandboxGateway.cpp gateway/SandboxGateway.h
)
