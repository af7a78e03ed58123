target_sources(briosms_core PRIVATE
)
