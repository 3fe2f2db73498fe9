// The main class's package is not exported: the launcher opens it to the runtime module.
module test.app {
}
