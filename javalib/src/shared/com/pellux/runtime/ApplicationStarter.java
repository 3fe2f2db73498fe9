package com.pellux.runtime;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;

/** Finds the application's main class and runs its main method. */
final class ApplicationStarter {
    private ApplicationStarter() {
    }

    /**
     * A name with a leading "/" is "module/class" (or just "module" for the
     * module's declared main class) and is looked up in the boot layer; any other
     * name is a class on the class path.
     */
    static Class<?> loadMainClass(String name) throws ClassNotFoundException {
        if (name.isEmpty()) {
            throw new IllegalArgumentException("no application main class given");
        }
        if (name.startsWith("/")) {
            return ModuleMainClass.load(name.substring(1));
        }
        String className = name.replace('/', '.');
        try {
            return Class.forName(className, false, ClassLoader.getSystemClassLoader());
        } catch (ClassNotFoundException e) {
            throw new ClassNotFoundException(
                    "application main class " + className + " not found on the class path", e);
        }
    }

    /** Rethrows whatever main throws as it is, not wrapped by reflection. */
    static void runMain(Class<?> mainClass, String[] args) throws Throwable {
        Method main = findMainMethod(mainClass);
        try {
            main.invoke(null, (Object) args);
        } catch (InvocationTargetException e) {
            throw e.getCause();
        }
    }

    private static Method findMainMethod(Class<?> mainClass) throws NoSuchMethodException {
        Method main;
        try {
            main = mainClass.getMethod("main", String[].class);
        } catch (NoSuchMethodException e) {
            main = null;
        }
        if (main == null || !Modifier.isStatic(main.getModifiers())) {
            throw new NoSuchMethodException("class " + mainClass.getName()
                    + " has no public static void main(String[])");
        }
        // A main class that is not public itself is still started, as java does;
        // where its package is not open to us, invoke reports the access error.
        try {
            main.setAccessible(true);
        } catch (RuntimeException e) {
            // fall through to the access check of invoke
        }
        return main;
    }
}
