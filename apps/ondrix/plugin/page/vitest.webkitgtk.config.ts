import { defineConfig, mergeConfig } from 'vitest/config';
import chromium from './vitest.chromium.config';

// The same browser suite in WebKitGTK, under an X server: xvfb-run -a npx vitest run --config
// vitest.webkitgtk.config.ts
export default mergeConfig(chromium, defineConfig({ test: { env: { ONDRIX_PAGE_ENGINE: 'webkitgtk' } } }));
