// An X11 host window that speaks XEmbed: a GtkSocket of 700 x 500 in a window of its own. It
// prints the socket's window ID on stdout and logs to the file given what the socket sees of
// its client ("plug-added", "plug-removed"). It runs until it is killed.
#include <gtk/gtk.h>
#include <gtk/gtkx.h>
#include <stdio.h>

static FILE* event_log;

static void on_added(GtkSocket*, gpointer) {
    fprintf(event_log, "plug-added\n");
    fflush(event_log);
}

static gboolean on_removed(GtkSocket*, gpointer) {
    fprintf(event_log, "plug-removed\n");
    fflush(event_log);
    return TRUE;  // keep the socket for the next client
}

int main(int argc, char** argv) {
    if (argc != 2 || !gtk_init_check(&argc, &argv)) return 2;
    event_log = fopen(argv[1], "w");
    if (!event_log) return 2;
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWidget* socket = gtk_socket_new();
    gtk_widget_set_size_request(socket, 700, 500);
    gtk_container_add(GTK_CONTAINER(window), socket);
    g_signal_connect(socket, "plug-added", G_CALLBACK(on_added), NULL);
    g_signal_connect(socket, "plug-removed", G_CALLBACK(on_removed), NULL);
    gtk_widget_show_all(window);
    printf("%lu\n", (unsigned long)gtk_socket_get_id(GTK_SOCKET(socket)));
    fflush(stdout);
    gtk_main();
    return 0;
}
