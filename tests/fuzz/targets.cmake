# Fuzz targets: every reader of outside bytes has one. Each keeps its seeds in corpus/<name>/.

# --- exchange ---
lorvane_fuzz_target(fuzz_received_message fuzz/fuzz_received_message.cpp LIBS lorvane_core)

# --- gpsdriver ---

# --- tracklog and lists ---

# --- number entry ---
