// ESLint's rules for every JavaScript file of the project (tools/lint_js.sh; CTest lint.js). Every
// finding fails the test; the TypeScript checker (tsconfig.json beside this file) runs beside it.
// The style is kept here too, by ESLint Stylistic's rules (the last block), which
// tools/lint_js.sh --fix applies.
//
// Chosen: every rule of ESLint's recommended set (each one flags a likely fault: a name used but
// never defined, a variable never read, code that cannot run, a variable assigned to itself); and
// beyond it, the rules that catch a mistake of the kind this code has made or could make:
// - eqeqeq (null may be compared loosely: that covers undefined too, as meant): == converts types;
// - prefer-promise-reject-errors, no-throw-literal: a failure with no stack to tell where it came
//   from;
// - array-callback-return, no-constructor-return, no-self-compare, no-unmodified-loop-condition,
//   no-unreachable-loop, no-template-curly-in-string, no-use-before-define (for variables and
//   classes; functions are hoisted, and the scripts define them after the code that starts
//   them): code that does not do what it reads as;
// - no-eval, no-implied-eval, no-new-func: code made from text;
// - default-case-last, no-fallthrough (recommended) and no-return-assign: a switch or return
//   that reads as one thing and does another.
//
// Left out, each with its reason:
// - no-await-in-loop: the browser tests and the benchmark take their steps one after another on
//   purpose (each step waits for the page to answer the one before).
// - require-atomic-updates: flags a variable set from itself across an await: the engines'
//   display and spare tab, made on first use. Profiles are launched one at a time, so none of
//   its five findings is a fault; a launch made concurrent would need that rule back.
// - no-shadow: a function handed to a page (page.evaluate((id) => ..., id)) takes its argument
//   under the caller's name on purpose, the same value on the page's side; that is every finding.
// - no-promise-executor-return: the one-line delays (new Promise((resolve) =>
//   setTimeout(resolve, ms))) return the timer from the executor, harmlessly.
// - no-console: the page sends the game's output to the console, and the tools report there.
// - no-var, prefer-const, prefer-arrow-callback, object-shorthand and the other "suggestion"
//   rules: style, which the formatter and the house rules decide, not faults.
// - typescript-eslint's typed rules (floating promises and the like): they need a second,
//   slower type-aware pass over the code the TypeScript checker already reads.
import js from "@eslint/js";
import stylistic from "@stylistic/eslint-plugin";
import globals from "globals";

// What the game's page script defines (page.js sets up Module; dustreach.js fills it): the tests
// and the benchmark reach it inside the page through the engines' evaluate calls.
const gamePage = { Module: "readonly" };

// What dustreach.js defines around the scripts the linker puts in it (--pre-js): storage.js runs
// inside it.
const emscripten = {
  Module: "readonly",
  FS: "readonly",
  IDBFS: "readonly",
  addRunDependency: "readonly",
  removeRunDependency: "readonly",
};

export default [
  {
    ignores: ["build*/", "**/node_modules/"],
  },
  js.configs.recommended,
  {
    linterOptions: { reportUnusedDisableDirectives: "error" },
    rules: {
      eqeqeq: ["error", "always", { null: "ignore" }],
      "prefer-promise-reject-errors": "error",
      "no-throw-literal": "error",
      "array-callback-return": "error",
      "no-constructor-return": "error",
      "no-self-compare": "error",
      "no-unmodified-loop-condition": "error",
      "no-unreachable-loop": "error",
      "no-template-curly-in-string": "error",
      "no-use-before-define": ["error", { functions: false, classes: true, variables: true }],
      "no-eval": "error",
      "no-implied-eval": "error",
      "no-new-func": "error",
      "default-case-last": "error",
      "no-return-assign": "error",
    },
  },
  {
    // The page's scripts: page.js and the modules it imports, loaded by index.html as modules.
    files: ["app/browser/site/*.js"],
    ignores: ["app/browser/site/sw.js"],
    languageOptions: { sourceType: "module", globals: { ...globals.browser, ...gamePage } },
  },
  {
    // input.js, a classic script.
    files: ["app/browser/site/input.js"],
    languageOptions: { sourceType: "script" },
  },
  {
    files: ["app/browser/site/sw.js"],
    languageOptions: { sourceType: "script", globals: globals.serviceworker },
  },
  {
    files: ["tools/lint/page-globals.js"],
    languageOptions: { sourceType: "script" },
  },
  {
    files: ["app/browser/storage.js"],
    languageOptions: { sourceType: "script", globals: { ...globals.browser, ...emscripten } },
  },
  {
    // Node.js modules: the browser tests, their harness and the site's tools. Functions they hand
    // to a page run there, so the browser's names are known too.
    files: ["**/*.mjs"],
    languageOptions: {
      sourceType: "module",
      globals: { ...globals.node, ...globals.browser, ...gamePage },
    },
  },
  {
    files: ["**/*.cjs"],
    languageOptions: { sourceType: "commonjs", globals: globals.node },
  },
  // The style, as the code was written: 2-space indents, double quotes (single ones where they
  // spare escapes), semicolons, the opening brace on the statement's line, a body without braces
  // on the line below its if or loop (as the C++ is formatted), a trailing comma where a list
  // ends its line, lines of at most 120 columns. A call's continued arguments and a list's
  // continued items may be aligned under the opening bracket or indented: the code does both, and
  // no fix chooses well between them.
  stylistic.configs.customize({
    indent: 2,
    quotes: "double",
    semi: true,
    braceStyle: "1tbs",
    arrowParens: true,
    commaDangle: "always-multiline",
    quoteProps: "as-needed",
  }),
  {
    rules: {
      "@stylistic/quotes": ["error", "double", { avoidEscape: true }],
      "@stylistic/quote-props": ["error", "as-needed", { keywords: false, unnecessary: false }],
      // Two spaces before a comment at a line's end, as in the C++, or one.
      "@stylistic/no-multi-spaces": ["error", { ignoreEOLComments: true }],
      "@stylistic/indent": ["error", 2, {
        CallExpression: { arguments: "off" },
        FunctionExpression: { parameters: "off" },
        FunctionDeclaration: { parameters: "off" },
        ArrayExpression: "off",
        flatTernaryExpressions: true,
      }],
      "@stylistic/nonblock-statement-body-position": ["error", "below"],
      "@stylistic/max-len": ["error", { code: 120, ignoreUrls: true }],
      // Left out: where a long condition or ternary breaks is the author's choice.
      "@stylistic/multiline-ternary": "off",
      "@stylistic/operator-linebreak": "off",
    },
  },
];
