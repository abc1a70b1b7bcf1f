set(FUZZ_LIBRARIES orvo_rules)
