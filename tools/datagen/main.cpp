// Placeholder until the data-set generator lands.
int main() { return 0; }
