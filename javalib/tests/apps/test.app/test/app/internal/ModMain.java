package test.app.internal;

public class ModMain {
    public static void main(String[] args) {
        System.out.println("module=" + ModMain.class.getModule().getName());
        System.out.println("args=" + String.join("|", args));
    }
}
