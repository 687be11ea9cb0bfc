import { defineConfig } from 'vitest/config';

// The page in Chromium against the plug-in's page server; see chromium/server.ts.
export default defineConfig({
  test: {
    environment: 'node',
    include: ['chromium/**/*.test.ts'],
    fileParallelism: false,
    testTimeout: 60_000,
    hookTimeout: 60_000,
  },
});
