// node browser.mjs SITE PAGE SOURCE MODULES: the page as a student uses it,
// in Chromium and Firefox, served as the site SITE from 127.0.0.1 and
// opened from disk as the one file PAGE, driven by puppeteer-core (in the
// node_modules folder MODULES). SOURCE is the source tree, whose rows it
// walks: every golden roster through its lister, added, named at the
// prompt, listed and saved, to its golden bytes; duomatch on its suite's
// rows that a page can type; a missing file, a roster named as a folder, a
// long name, Backspace and Ctrl+D at the prompt. Each time, the prompt
// shows before anything is typed, and the status after the end. Exits 77
// where there is no browser.
import { existsSync } from "node:fs";
import {
  mkdtemp,
  readdir,
  readFile,
  rm,
  writeFile,
  copyFile,
} from "node:fs/promises";
import { createServer } from "node:http";
import { createRequire } from "node:module";
import { tmpdir } from "node:os";
import { extname, join, resolve } from "node:path";
import { argv, exit } from "node:process";
import { pathToFileURL } from "node:url";

const [site, single, source, modules] = argv.slice(2);
const puppeteer = createRequire(join(resolve(modules), "x.js"))(
  "puppeteer-core",
);
const prompt = "Enter the input file name: ";
const wait = { timeout: 10000 };

const browsers = [
  {
    name: "Chromium",
    options: {
      executablePath: "/usr/bin/chromium",
      // As root, and without Google's services, which this machine cannot reach.
      args: [
        "--no-sandbox",
        "--disable-gpu",
        "--no-first-run",
        "--disable-background-networking",
        "--disable-component-update",
        "--disable-sync",
      ],
    },
  },
  {
    name: "Firefox",
    options: {
      browser: "firefox",
      executablePath: "/usr/bin/firefox-esr",
    },
  },
];

const failures = [];
function check(ok, what, detail = "") {
  if (!ok) {
    failures.push(`${where}: ${what}${detail ? `\n${detail}` : ""}`);
    console.log(`FAIL ${where}: ${what}`);
  }
}
let where = "";

// The rosters, and what their listers write for them.
const golden = [];
for (const program of ["csvroster", "wordroster"]) {
  const folder = join(source, "tests/golden", program);
  for (const file of (await readdir(folder)).sort())
    if (file.endsWith(".in"))
      golden.push({
        program,
        name: file,
        path: join(folder, file),
        out: await readFile(join(folder, file.replace(/\.in$/, ".out"))),
      });
}

// duomatch's rows whose two arguments are plain words or quoted text: a
// page types text, not bytes.
const verdicts = [];
for (const line of (
  await readFile(join(source, "tests/duomatch.sh"), "utf8")
).split("\n")) {
  const row = /^\s*verdict (.*) "\$(EQ|NE)"$/.exec(line);
  const args = row && words(row[1]);
  if (args?.length === 2) verdicts.push({ args, equal: row[2] === "EQ" });
}
function words(text) {
  const found = [];
  const word = /\s*(?:'([^']*)'|([^\s'"$\\]+))/y;
  while (word.lastIndex < text.length) {
    const m = word.exec(text);
    if (m === null) return null;
    found.push(m[1] ?? m[2]);
  }
  return found;
}

// The site, served as any static host serves it.
const types = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript",
  ".css": "text/css",
  ".wasm": "application/wasm",
};
const server = createServer(async (request, response) => {
  const name =
    new URL(request.url, "http://x").pathname.slice(1) || "index.html";
  try {
    const body = await readFile(join(site, name));
    response.writeHead(200, {
      "content-type": types[extname(name)] ?? "application/octet-stream",
    });
    response.end(body);
  } catch {
    response.writeHead(404).end();
  }
});
await new Promise((ready) => server.listen(0, "127.0.0.1", ready));
const origins = [
  ["over HTTP", `http://127.0.0.1:${server.address().port}/`],
  ["from file://", pathToFileURL(single).href],
];

const scratch = await mkdtemp(join(tmpdir(), "roster-page-"));
const accented = join(scratch, "Zoë.csv");
await copyFile(join(source, "tests/golden/csvroster/fields.in"), accented);
let ran = 0;
try {
  for (const { name, options } of browsers) {
    if (!existsSync(options.executablePath)) {
      console.log(`skipped: no ${options.executablePath}`);
      continue;
    }
    for (const [how, url] of origins) {
      where = `${name} ${how}`;
      const downloads = await mkdtemp(join(scratch, "saved-"));
      const browser = await puppeteer.launch({
        headless: true,
        userDataDir: await mkdtemp(join(scratch, "profile-")),
        downloadBehavior: { policy: "allow", downloadPath: downloads },
        // Firefox saves downloads where its preferences say.
        extraPrefsFirefox: {
          "browser.download.folderList": 2,
          "browser.download.dir": downloads,
          "browser.download.useDownloadDir": true,
          "browser.download.always_ask_before_handling_new_types": false,
          "browser.download.start_downloads_in_tmp_dir": false,
        },
        ...options,
      });
      try {
        await walk(await browser.newPage(), url, downloads);
      } finally {
        await browser.close();
      }
      console.log(`${where}: done`);
      ran++;
    }
  }
} finally {
  server.close();
  await rm(scratch, { recursive: true, force: true });
}
if (ran === 0) {
  console.log("skipped: no browser");
  exit(77);
}
for (const failure of failures) console.log(`\n${failure}`);
exit(failures.length === 0 ? 0 : 1);

async function walk(page, url, downloads) {
  await page.setViewport({ width: 1000, height: 900 });
  page.on("pageerror", (error) => check(false, `page error: ${error.message}`));
  await page.goto(url);
  await page.waitForSelector("#csvroster:not([disabled])", wait);

  for (const program of ["csvroster", "wordroster"]) {
    const rows = golden.filter((row) => row.program === program);
    await (await page.$("#add")).uploadFile(...rows.map((row) => row.path));
    for (const row of rows) {
      await lister(page, program);
      await page.keyboard.type(row.name);
      await page.keyboard.press("Enter");
      await ended(page, program, 0);
      await saved(page, downloads, program, row.out, row.name);
    }
  }

  for (const { args, equal } of verdicts) {
    for (const [field, text] of [
      ["#first", args[0]],
      ["#second", args[1]],
    ]) {
      await page.$eval(field, (input) => {
        input.value = "";
      });
      await page.type(field, text);
    }
    await page.click("#duomatch button");
    await ended(page, "duomatch", 0);
    await saved(
      page,
      downloads,
      "duomatch",
      Buffer.from(
        `argv[0] = duomatch, argv[1] = ${args[0]}, argv[2] = ${args[1]}\n` +
          `The two strings are ${equal ? "equal" : "not equal"}\n`,
      ),
      args.join(" | "),
    );
  }

  const only_prompt = Buffer.from(prompt);
  const long = "n".repeat(40);
  for (const [typed, message] of [
    ["nope", "Error opening file nope"],
    ["cgpa.in/", "Error opening file cgpa.in/"], // a roster is no folder
    [long, `Error opening file ${long}: name longer than 39 bytes`],
  ]) {
    await lister(page, "csvroster");
    await page.keyboard.type(typed);
    await page.keyboard.press("Enter");
    await ended(page, "csvroster", 1);
    check(
      (await screen(page)).joined.includes(message),
      `the terminal shows "${message}"`,
    );
    await saved(page, downloads, "csvroster", only_prompt, typed);
  }

  // Backspace takes back a character of two UTF-16 units, not one unit;
  // a roster added while the lister waits is found, as on a disk.
  await lister(page, "csvroster");
  await (await page.$("#add")).uploadFile(accented);
  await page.focus(".xterm-helper-textarea");
  await page.keyboard.type("Zoë.csv😀");
  await page.keyboard.press("Backspace");
  await page.keyboard.press("Enter");
  await ended(page, "csvroster", 0);
  await saved(
    page,
    downloads,
    "csvroster",
    golden.find((row) => row.path.endsWith("csvroster/fields.in")).out,
    "Zoë.csv",
  );

  await lister(page, "csvroster");
  await page.keyboard.down("Control");
  await page.keyboard.press("KeyD");
  await page.keyboard.up("Control");
  await ended(page, "csvroster", 1);
  check(
    (await screen(page)).joined.includes("No input file name given"),
    "Ctrl+D at the prompt ends the input",
  );
}

// Starts a lister: its prompt shows, and it waits there.
async function lister(page, program) {
  await page.click(`#${program}`);
  const want = prompt.trimEnd();
  await page
    .waitForFunction(
      (want) =>
        [...document.querySelectorAll(".xterm-rows > div")].some(
          (row) => row.textContent.replace(/\u00a0/g, " ").trimEnd() === want,
        ),
      wait,
      want,
    )
    .catch(() => {});
  const { rows } = await screen(page);
  check(
    rows[1] === want && rows.slice(2).every((row) => row === ""),
    `${program} shows its prompt before anything is typed`,
    rows.join("\n"),
  );
  check(
    (await status(page)) === `${program} is running.`,
    `${program} waits at its prompt`,
  );
}

async function screen(page) {
  const rows = await page.$$eval(".xterm-rows > div", (rows) =>
    rows.map((row) => row.textContent.replace(/\u00a0/g, " ").trimEnd()),
  );
  // Rows a long line wraps over, run together.
  return { rows, joined: rows.join("") };
}

function status(page) {
  return page.$eval("#status", (element) => element.textContent);
}

async function ended(page, program, code) {
  const want = `${program} ended with status ${code}`;
  await page
    .waitForFunction(
      () => !/running/.test(document.getElementById("status").textContent),
      wait,
    )
    .catch(() => {});
  check((await status(page)) === `${want}.`, want, await status(page));
  await page
    .waitForFunction(
      (want) =>
        document.querySelector(".xterm-rows").textContent.includes(want),
      wait,
      `[${want}]`,
    )
    .catch(() => check(false, `the terminal shows [${want}]`));
}

// Save output downloads exactly the bytes want.
async function saved(page, downloads, program, want, what) {
  await page.click("#save");
  const file = join(downloads, `${program}-output.txt`);
  let bytes = null;
  for (let i = 0; i < 100 && bytes === null; i++) {
    await new Promise((later) => setTimeout(later, 100));
    const names = await readdir(downloads);
    if (
      names.includes(`${program}-output.txt`) &&
      !names.some((n) => /\.(part|crdownload)$/.test(n))
    )
      bytes = await readFile(file);
  }
  check(
    bytes !== null && bytes.equals(want),
    `${program}, ${what}: the saved output`,
    bytes === null
      ? "nothing saved"
      : `expected ${JSON.stringify(want.toString())}\nsaved    ${JSON.stringify(bytes.toString())}`,
  );
  await rm(file, { force: true });
}
