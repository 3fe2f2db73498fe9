package com.pellux.runtime;

/** Java 8 has no modules; the Java 9 variant of this class does the lookup. */
final class ModuleMainClass {
    private ModuleMainClass() {
    }

    static Class<?> load(String moduleAndClass) throws ClassNotFoundException {
        throw new ClassNotFoundException(
                "main class " + moduleAndClass + " is in a module, which needs Java 9 or later");
    }
}
