// Replaced by the tools sources.
