// The X display's light or dark setting, as a desktop changes it: an XSETTINGS manager
// (xsettingsd) serves the GTK theme name, and WebKitGTK's prefers-color-scheme follows a theme
// named "-dark" at once, in every window on the display.
import { type ChildProcess, spawn } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

export const XSETTINGSD = '/usr/bin/xsettingsd';

export class SystemTheme {
  private dark = false;

  private constructor(
    private readonly proc: ChildProcess,
    private readonly folder: string,
  ) {}

  private static write(folder: string, dark: boolean) {
    writeFileSync(join(folder, 'xsettingsd.conf'), `Net/ThemeName "${dark ? 'Adwaita-dark' : 'Adwaita'}"\n`);
  }

  /** Starts light; null when xsettingsd cannot run (not installed, or the display has a manager). */
  static async start(): Promise<SystemTheme | null> {
    const folder = mkdtempSync(join(tmpdir(), 'ondrix-xsettings-'));
    SystemTheme.write(folder, false);
    const proc = spawn(XSETTINGSD, ['-c', join(folder, 'xsettingsd.conf')], { stdio: 'ignore' });
    const stop = () => proc.kill('SIGKILL');
    process.once('exit', stop);
    proc.once('exit', () => process.off('exit', stop));
    const failed = await new Promise<boolean>((done) => {
      proc.once('error', () => done(true));
      proc.once('exit', () => done(true));
      setTimeout(() => done(false), 300);
    });
    if (failed) {
      rmSync(folder, { recursive: true, force: true });
      return null;
    }
    return new SystemTheme(proc, folder);
  }

  get running() {
    return this.proc.exitCode === null && this.proc.signalCode === null;
  }

  set(dark: boolean) {
    if (dark === this.dark) return;
    SystemTheme.write(this.folder, dark);
    this.proc.kill('SIGHUP');
    this.dark = dark;
  }

  stop() {
    this.proc.kill('SIGTERM');
    rmSync(this.folder, { recursive: true, force: true });
  }
}
