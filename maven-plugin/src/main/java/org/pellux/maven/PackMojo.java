package org.pellux.maven;

import java.io.File;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.util.ArrayList;
import java.util.HashSet;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.Set;
import java.util.zip.ZipFile;

import org.apache.maven.artifact.Artifact;
import org.apache.maven.plugin.AbstractMojo;
import org.apache.maven.plugin.MojoExecutionException;
import org.apache.maven.plugin.MojoFailureException;
import org.apache.maven.plugins.annotations.LifecyclePhase;
import org.apache.maven.plugins.annotations.Mojo;
import org.apache.maven.plugins.annotations.Parameter;
import org.apache.maven.plugins.annotations.ResolutionScope;
import org.apache.maven.project.MavenProject;

/**
 * Writes the project's Windows service folder (and with msi, its MSI) with
 * pellux-pack: the project's jar and its runtime dependencies go into the
 * folder's lib directory and onto the class path.
 */
@Mojo(name = "pack", defaultPhase = LifecyclePhase.PACKAGE, requiresDependencyResolution = ResolutionScope.RUNTIME,
      threadSafe = true)
public class PackMojo extends AbstractMojo {
    @Parameter(defaultValue = "${project}", readonly = true, required = true)
    private MavenProject project;

    /** pellux-pack itself; else bin/pellux-pack of pelluxHome, else of the PELLUX_HOME variable. */
    @Parameter(property = "pellux.pack")
    private File pelluxPack;

    /** An extracted pellux release. */
    @Parameter(property = "pellux.home")
    private File pelluxHome;

    /** The project file, used when there are no settings. */
    @Parameter(property = "pellux.project", defaultValue = "${project.basedir}/service.toml")
    private File serviceToml;

    /** The keys of the project file (service.name, java.main_class, …), instead of serviceToml. */
    @Parameter
    private Map<String, String> settings;

    /** The service folder written. */
    @Parameter(property = "pellux.folder", defaultValue = "${project.build.directory}/service")
    private File folder;

    /** The folder's directory of the jars. */
    @Parameter(property = "pellux.lib", defaultValue = "lib")
    private String lib;

    /** Also write the service's Windows Installer package, msiFile. */
    @Parameter(property = "pellux.msi", defaultValue = "false")
    private boolean msi;

    @Parameter(property = "pellux.msiFile", defaultValue = "${project.build.directory}/${project.build.finalName}.msi")
    private File msiFile;

    /** The launcher: auto, x86_64 or i686. */
    @Parameter(property = "pellux.arch")
    private String arch;

    /** The Java home the service tries first. */
    @Parameter(property = "pellux.preferredRuntime")
    private String preferredRuntime;

    /** Where pellux-pack finds its launchers and libraries, when not beside it. */
    @Parameter(property = "pellux.resources")
    private File resources;

    @Parameter(defaultValue = "${project.build.directory}/pellux", readonly = true)
    private File workDirectory;

    @Override
    public void execute() throws MojoExecutionException, MojoFailureException {
        File tool = PackTool.locate(pelluxPack, pelluxHome, System.getenv("PELLUX_HOME"));
        Map<File, String> jars = jarsOfTheBuild();
        List<String> classPath = new ArrayList<>(jars.values());
        ServiceProject serviceProject = serviceProject(classPath);
        if (serviceProject.ownClassPath && serviceProject.mainClass != null)
            requireMainClass(serviceProject.mainClass, jars.keySet());

        File written = new File(workDirectory, "service.toml");
        List<String> command = new ArrayList<>();
        command.add(tool.getAbsolutePath());
        command.add(written.getPath());
        command.add("--folder");
        command.add(folder.getPath());
        command.add("--replace");
        for (Map.Entry<File, String> jar : jars.entrySet())
            addOption(command, "--file", jar.getKey().getPath() + "=" + jar.getValue());
        addOption(command, "--arch", arch);
        addOption(command, "--preferred-runtime", preferredRuntime);
        addOption(command, "--resources", resources == null ? null : resources.getPath());
        if (msi)
            addOption(command, "--msi", msiFile.getPath());
        try {
            Files.createDirectories(workDirectory.toPath());
            Files.write(written.toPath(), serviceProject.text.getBytes(StandardCharsets.UTF_8));
            String userFile = settings != null && !settings.isEmpty() ? written.getPath() : serviceToml.getPath();
            PackTool.run(command, workDirectory, getLog(), message -> serviceProject.toUserFile(message,
                                                                                                 written.getPath(),
                                                                                                 userFile));
        } catch (IOException e) {
            throw new MojoExecutionException("pellux: cannot run " + tool + ": " + e.getMessage(), e);
        }
    }

    private ServiceProject serviceProject(List<String> classPath) throws MojoFailureException {
        if (settings != null && !settings.isEmpty()) {
            if (serviceToml.isFile())
                throw new MojoFailureException("pellux: both <settings> and " + serviceToml + " given; keep one");
            try {
                return ServiceProject.fromKeys(settings, classPath);
            } catch (IllegalArgumentException e) {
                throw new MojoFailureException("pellux: " + e.getMessage());
            }
        }
        if (!serviceToml.isFile())
            throw new MojoFailureException("pellux: no service settings: no <settings> in the plugin's configuration"
                                           + " and no " + serviceToml);
        try {
            String text = new String(Files.readAllBytes(serviceToml.toPath()), StandardCharsets.UTF_8);
            return ServiceProject.fromToml(text, serviceToml.getAbsoluteFile().getParentFile().toPath(), classPath);
        } catch (IOException e) {
            throw new MojoFailureException("pellux: cannot read " + serviceToml + ": " + e.getMessage());
        }
    }

    /** The project's jar, then its runtime dependencies, each with its path in the folder. */
    private Map<File, String> jarsOfTheBuild() throws MojoFailureException {
        Map<File, String> jars = new LinkedHashMap<>();
        Set<String> names = new HashSet<>();
        Artifact own = project.getArtifact();
        File ownFile = own.getFile();
        if (ownFile == null || !ownFile.isFile() || !ownFile.getName().endsWith(".jar"))
            throw new MojoFailureException("pellux: the project's artifact is no jar: "
                                           + (ownFile == null ? "none in " + project.getBuild().getDirectory()
                                                                  + " (run pack in the package phase)"
                                                              : ownFile.getPath()));
        addJar(jars, names, own, ownFile);
        for (Artifact dependency : project.getArtifacts()) {
            File file = dependency.getFile();
            if (!"jar".equals(dependency.getArtifactHandler().getExtension()) || file == null || !file.isFile())
                throw new MojoFailureException("pellux: dependency " + dependency.getId() + " is no jar: "
                                               + (file == null ? "no file resolved" : file.getPath()));
            addJar(jars, names, dependency, file);
        }
        return jars;
    }

    private void addJar(Map<File, String> jars, Set<String> names, Artifact artifact, File file) {
        String name = file.getName();
        if (!names.add(name)) {
            name = artifact.getGroupId() + "-" + name;
            names.add(name);
        }
        jars.put(file, lib == null || lib.isEmpty() ? name : lib + "/" + name);
    }

    static void requireMainClass(String mainClass, Iterable<File> jars) throws MojoFailureException {
        String entry = mainClass.replace('.', '/') + ".class";
        List<String> looked = new ArrayList<>();
        for (File jar : jars) {
            try (ZipFile zip = new ZipFile(jar)) {
                if (zip.getEntry(entry) != null)
                    return;
            } catch (IOException e) {
                throw new MojoFailureException("pellux: " + jar + " is no jar: " + e.getMessage());
            }
            looked.add(jar.getPath());
        }
        throw new MojoFailureException("pellux: main class " + mainClass + " is in none of the jars: "
                                       + String.join(", ", looked));
    }

    private static void addOption(List<String> command, String option, String value) {
        if (value != null && !value.isEmpty()) {
            command.add(option);
            command.add(value);
        }
    }
}
