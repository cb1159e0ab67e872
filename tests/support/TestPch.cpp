// The translation unit that builds the precompiled header every test program reuses.
