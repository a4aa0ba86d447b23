// The recipes of docs/pipelines.md, run as the document writes them: for each generator, its
// two-page site (tests/browser/pipelines/NAME) gets the recipe's project file, and the recipe's
// commands build and protect it. Both builds are served over HTTP and read in Chromium: every
// page of the protected copy, unlocked with the password, reads as the generator's own page, and
// no file of the copy holds a sentence of the site's sources in clear.
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { launch } from './driver.mjs';
import { startServer } from './server.mjs';
import { cli, firstDifference, readPage, tempFolder, top } from './lib.mjs';

const bannerText = 'This webpage was protected by Quorlane';
const secret = 'harbour-bakery secret 2026';
const sites = path.join(top, 'tests', 'browser', 'pipelines');
// A generator's build, and the encrypted pages' key derivation in the browser, take seconds.
const testTimeout = 180000;

// The recipes: for each marked block (a "<!-- recipe NAME: WHAT -->" line right before a
// fenced block), recipes[NAME][WHAT] is the block's text.
function recipesOf(markdown) {
    const recipes = {};
    for (const [, name, what, text] of markdown.matchAll(/^<!-- recipe (\w+): (\S+) -->\n```\w*\n([\s\S]*?)^```$/gm)) {
        (recipes[name] ??= {})[what] = text;
    }
    return recipes;
}

// The files below folder, as paths relative to it with '/'.
const filesBelow = (folder) => fs.readdirSync(folder, { recursive: true })
    .filter((name) => fs.statSync(path.join(folder, name)).isFile())
    .map((name) => name.split(path.sep).join('/')).sort();

// A text as words: lower case, markup and everything but letters and digits taken out.
const words = (text) => text.toLowerCase().replace(/<[^>]*>/g, ' ').split(/[^\p{L}\p{N}]+/u).filter(Boolean);

// The sentences of the site's sources: each paragraph of eight words or more that is no front
// matter, heading, directive or setting, as runs of eight words.
function sourceRuns(site) {
    const runs = [];
    for (const name of filesBelow(site).filter((n) => /\.(md|rst)$/.test(n))) {
        const text = fs.readFileSync(path.join(site, name), 'utf8').replace(/^---\n[\s\S]*?\n---\n/, '');
        for (const paragraph of text.split(/\n\s*\n/)) {
            const said = words(paragraph);
            if (said.length >= 8 && !/^\s*(#|\.\.|[=-]{3})/.test(paragraph) && !/^\w+\n[=-]+$/.test(paragraph.trim())) {
                for (let i = 0; i + 8 <= said.length; i++) {
                    runs.push(said.slice(i, i + 8).join(' '));
                }
            }
        }
    }
    return runs;
}

// The files below folder that hold one of the runs in clear, with the first run each holds.
function holdingRuns(folder, runs) {
    return filesBelow(folder).flatMap((name) => {
        const text = ` ${words(fs.readFileSync(path.join(folder, name), 'utf8')).join(' ')} `;
        const run = runs.find((r) => text.includes(` ${r} `));
        return run ? [`${name}: "${run}"`] : [];
    });
}

// The recipe's files put into a copy of the site, and its commands run there with quorlane-cli
// of the build first on the PATH and the password in the environment; gives the folder, the
// project and what the commands printed.
function runRecipe(name, recipe) {
    const folder = tempFolder(`pipeline-${name}`);
    const site = path.join(folder, 'site');
    fs.cpSync(path.join(sites, name), site, { recursive: true });
    fs.writeFileSync(path.join(site, 'quorlane.json'), recipe['quorlane.json']);
    const bin = path.join(folder, 'bin');
    fs.mkdirSync(bin);
    fs.symlinkSync(path.resolve(cli), path.join(bin, 'quorlane-cli'));
    const run = spawnSync('bash', ['-euo', 'pipefail', '-c', recipe.commands], {
        cwd: site, encoding: 'utf8',
        env: { ...process.env, PATH: `${bin}:${process.env.PATH}`, SITE_PASSWORD: secret, HOME: folder },
    });
    return { folder, site, project: JSON.parse(recipe['quorlane.json']), run };
}

const recipes = recipesOf(fs.readFileSync(path.join(top, 'docs', 'pipelines.md'), 'utf8'));

test('docs/pipelines.md has a project file and commands for each generator', () => {
    assert.deepEqual(Object.keys(recipes).sort(), ['hugo', 'jekyll', 'mkdocs', 'sphinx']);
    for (const [name, recipe] of Object.entries(recipes)) {
        assert.deepEqual(Object.keys(recipe).sort(), ['commands', 'quorlane.json'], name);
        assert.match(recipe.commands, /^quorlane-cli protect --project quorlane\.json --password-env SITE_PASSWORD/m, name);
        assert.ok(fs.existsSync(path.join(sites, name)), `a site for ${name} in tests/browser/pipelines`);
    }
});

describe('pipeline recipes in Chromium', { concurrency: 1 }, () => {
    let server;
    let browser;
    const folders = [];

    before(async () => {
        server = await startServer();
        browser = await launch('chromium', { proxy: server.proxy });
    });
    after(async () => {
        await browser?.close();
        await server?.close();
        folders.forEach((folder) => fs.rmSync(folder, { recursive: true, force: true }));
    });

    async function read(url, visit) {
        await visit.goto(url);
        return visit.evaluate(readPage, bannerText);
    }

    for (const name of Object.keys(recipes).sort()) {
        test(`${name}: built and protected as the recipe says, every page reads as before, nothing in clear`,
             { timeout: testTimeout }, async () => {
            const { folder, site, project, run } = runRecipe(name, recipes[name]);
            folders.push(folder);
            assert.equal(run.status, 0, `the recipe's commands failed:\n${run.stdout}${run.stderr}`);
            assert.doesNotMatch(run.stderr, /hidden-text-published/, 'the run\'s leak audit found nothing');
            const original = path.join(site, project.pages[0].folder);
            const copy = path.join(site, project.target);
            server.mount(`/${name}/original/`, original);
            server.mount(`/${name}/protected/`, copy);

            const pages = filesBelow(original).filter((n) => /\.html?$/.test(n));
            assert.ok(pages.length >= 2, `the build's pages: ${pages}`);
            assert.deepEqual(filesBelow(copy).filter((n) => /\.html?$/.test(n)), pages);
            const plain = await browser.page();
            // One visit for the protected pages: the first one asks for the password, and the
            // key is kept for the rest of the visit.
            const visit = Object.assign(await browser.page(), { answer: secret });
            try {
                for (const page of pages) {
                    const before = await read(`http://www.harbour.example/${name}/original/${page}`, plain);
                    const after = await read(`http://www.harbour.example/${name}/protected/${page}`, visit);
                    assert.equal(after.title, before.title, page);
                    assert.equal(after.text, before.text, `${page}: ${firstDifference(before.text, after.text)}`);
                }
            } finally {
                await Promise.all([plain.close(), visit.close()]);
            }
            assert.equal(visit.unlockForms, 1, 'the password was asked for once');

            const runs = sourceRuns(path.join(sites, name));
            assert.ok(runs.length > 20, 'the sources have sentences to look for');
            assert.notDeepEqual(holdingRuns(original, runs), [], 'the unprotected build holds them in clear');
            assert.deepEqual(holdingRuns(copy, runs), [], 'files of the protected copy that hold a sentence in clear');
        });
    }
});
