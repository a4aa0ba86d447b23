project = 'Harbour Bakery'
