package com.pellux.runtime;

/** Finds a main class in a module of the boot layer. */
final class ModuleMainClass {
    private ModuleMainClass() {
    }

    /** Takes "module/class", or "module" for the main class the module declares. */
    static Class<?> load(String moduleAndClass) throws ClassNotFoundException {
        int slash = moduleAndClass.indexOf('/');
        String moduleName = slash < 0 ? moduleAndClass : moduleAndClass.substring(0, slash);
        if (moduleName.isEmpty()) {
            throw new ClassNotFoundException("main class /" + moduleAndClass + " names no module");
        }
        Module module = ModuleLayer.boot().findModule(moduleName).orElseThrow(
                () -> new ClassNotFoundException("module " + moduleName
                        + " is not in the boot layer (module path and --add-modules)"));
        String className = slash < 0 ? declaredMainClass(module)
                : moduleAndClass.substring(slash + 1).replace('/', '.');
        Class<?> mainClass = className.isEmpty() ? null : Class.forName(module, className);
        if (mainClass == null) {
            throw new ClassNotFoundException(
                    "application main class " + className + " not found in module " + moduleName);
        }
        return mainClass;
    }

    private static String declaredMainClass(Module module) throws ClassNotFoundException {
        return module.getDescriptor().mainClass().orElseThrow(() -> new ClassNotFoundException(
                "module " + module.getName() + " declares no main class"));
    }
}
